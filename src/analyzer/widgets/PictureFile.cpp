#include "analyzer/widgets/PictureFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include "analyzer/widgets/PlotView.h"
#include "export/ByteOutput.h"
#include "export/OutputFolder.h"

namespace quorvel {
namespace {

QByteArray pictureBytes(PlotView& view, QSize size, bool vector) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (vector) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(view.windowTitle());
        QPainter painter(&svg);
        view.render(painter, size);
    } else {
        QImage image(size, QImage::Format_RGB32);
        {
            QPainter painter(&image);
            view.render(painter, size);
        }
        image.save(&buffer, "PNG");
    }
    return bytes;
}

}  // namespace

std::optional<QString> savePicture(PlotView& view, const QString& path, QSize size) {
    const QFileInfo info(path);
    const FolderLock lock(info.absolutePath().toStdString());
    if (lock.busy()) {
        return QStringLiteral("another run is writing into %1").arg(info.absolutePath());
    }
    const QByteArray bytes = pictureBytes(
        view, size, info.suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0);
    if (bytes.isEmpty()) {
        return QStringLiteral("%1: the picture could not be drawn").arg(path);
    }
    ByteOutput file = ByteOutput::createFile(QFile::encodeName(path).toStdString());
    file.write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (const auto failure = file.close(true)) {
        return QStringLiteral("%1: %2").arg(path, QString::fromStdString(*failure));
    }
    return std::nullopt;
}

}  // namespace quorvel
