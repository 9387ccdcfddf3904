#include <gtest/gtest.h>

#include <QImage>
#include <set>

#include "app/widgets/AppIcon.h"

namespace quorvel {
namespace {

TEST(AppIcon, BaseSizeAndLargerSizesArePaintedNotBlank) {
    for (const int scale : {1, 2, 4, 8}) {
        const QImage image = applicationIconPixmap(scale).toImage();
        ASSERT_EQ(image.size(), QSize(24 * scale, 26 * scale));
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                colours.insert(image.pixel(x, y));
            }
        }
        EXPECT_GT(colours.size(), 4U) << "scale " << scale;
    }
    EXPECT_TRUE(applicationIcon().availableSizes().contains(QSize(24, 26)));
}

}  // namespace
}  // namespace quorvel
