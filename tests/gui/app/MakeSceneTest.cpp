// "Make Scene...": one capture of a scene recipe written into the save path by the same core as
// quorvel-cli --scene, then opened in the analyzer with a band per box; a recipe it cannot make
// is said in a box and leaves nothing behind.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "analyzer/widgets/AnalyzerWindow.h"
#include "analyzer/widgets/PlotView.h"
#include "analyzer/widgets/SpectrumView.h"
#include "gui/support/SmallRunWindow.h"

namespace quorvel {
namespace {

const char* const kMakeSceneRecipe = R"({"seed": 5, "samples_per_capture": 4096,
    "scene": {"sampling_rate": 1e6, "captures": 3, "emitters": {"min": 2, "max": 3},
              "bandwidth": {"min": 0.05, "max": 0.1}, "snr_db": {"min": 10, "max": 20}},
    "classes": [{"label": "QPSK", "modulation": "psk", "order": 4, "pulse": "rrc", "samples_per_symbol": 4}]})";

class MakeSceneTest : public testing_support::SmallRunWindowTest {
  protected:
    QString writeRecipe(const std::string& name, const std::string& text) {
        std::filesystem::create_directory(recipes.str() + "/");
        std::ofstream(recipes.file(name)) << text;
        return QString::fromStdString(recipes.file(name));
    }
    std::vector<AnalyzerWindow*> analyzers() {
        std::vector<AnalyzerWindow*> open;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* a = dynamic_cast<AnalyzerWindow*>(w); a != nullptr && a->isVisible()) {
                open.push_back(a);
            }
        }
        return open;
    }
    void TearDown() override {
        for (AnalyzerWindow* a : analyzers()) {
            a->close();
        }
        testing_support::processDeferredDeletes();
    }

    testing_support::TempDir recipes;
};

TEST_F(MakeSceneTest, WritesTheCaptureAndOpensTheAnalyzerWithABandPerBox) {
    ASSERT_NE(window.findChild<QPushButton*>(QStringLiteral("makeSceneButton")), nullptr);
    const auto made = window.makeScene(writeRecipe("scene.json", kMakeSceneRecipe), 2);
    ASSERT_TRUE(made) << (messages.shown.empty() ? "" : messages.shown[0].text.toStdString());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(*made, QString::fromStdString(folder.file("scene_2.sigmf-meta")));
    // The boxes as the written metadata has them, read here with the JSON library alone.
    std::ifstream metaFile(folder.file("scene_2.sigmf-meta"));
    const auto meta = nlohmann::json::parse(metaFile);
    const std::size_t boxes = meta.at("annotations").size();
    ASSERT_GE(boxes, 2u);
    EXPECT_EQ(std::filesystem::file_size(folder.file("scene_2.sigmf-data")), 4096u * 8u);
    const auto open = analyzers();
    ASSERT_EQ(open.size(), 1u);
    SpectrumView& spectrum = open[0]->spectrumView();
    EXPECT_EQ(spectrum.bandBoxes(plotArea(spectrum.size())).size(), boxes);
    // Nothing but the two files: no temporary or lock left in the folder.
    EXPECT_EQ(QDir(QString::fromStdString(folder.str())).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(MakeSceneTest, ARecipeItCannotMakeIsSaidAndWritesNothing) {
    const struct {
        const char* name;
        std::string text;
        std::uint64_t capture;
        const char* says;
    } cases[] = {
        {"plain.json", R"({"seed": 1, "samples_per_capture": 64, "captures_per_class_and_snr": 1, "snr": {"values": [10]}, "sampling_rate": 1e5, "classes": [{"label": "a", "modulation": "psk", "order": 2}]})", 0,
         "no \"scene\""},
        {"scene.json", kMakeSceneRecipe, 3, "no capture 3"},
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        EXPECT_FALSE(window.makeScene(writeRecipe(c.name, c.text), c.capture)) << c.name;
        ASSERT_EQ(messages.shown.size(), 1u) << c.name;
        EXPECT_TRUE(messages.shown[0].text.contains(QString::fromUtf8(c.says))) << messages.shown[0].text.toStdString();
    }
    EXPECT_TRUE(analyzers().empty());
    EXPECT_TRUE(QDir(QString::fromStdString(folder.str())).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace
}  // namespace quorvel
