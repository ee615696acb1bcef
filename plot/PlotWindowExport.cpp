// The plot window's two exports, one road: the user picks the file, this
// thread takes what is to be written (a copy of the samples, the picture as
// shown), and the window's writer thread makes the content (CSV text, PNG)
// and writes it through WritePlotExport.
#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QPushButton>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/QtText.h"
#include "base/StatusLabel.h"
#include "plot/PlotCsv.h"
#include "plot/PlotExport.h"
#include "plot/PlotTexts.h"
#include "plot/PlotView.h"
#include "plot/PlotWindow.h"
#include "terminal/ReceiveArea.h"

namespace viz {

namespace t = plot_texts;

QString CPlotWindow::ChooseExportPath(const char16_t* file, const char16_t* filter) {
    if (writing_) return {};
    return chooser_(QDir::current().filePath(Text(file).arg(pageName_)), Text(filter));
}

void CPlotWindow::StartExport(const QString& path, ExportContent content, QString done,
                              const char16_t* failed) {
    writing_ = true;
    exportCsv_->setEnabled(false);
    savePicture_->setEnabled(false);
    writer_ = std::jthread([this, path, content = std::move(content), done = std::move(done), failed] {
        const PlotExportResult result = WritePlotExport(path.toStdString(), cancelWriting_, content);
        const QString message =
            result.error.empty() ? done : Text(failed).arg(QString::fromLocal8Bit(result.error));
        // Dropped by Qt if the window is gone, which waits for this thread first.
        QMetaObject::invokeMethod(
            this,
            [this, message] {
                writing_ = false;
                exportCsv_->setEnabled(true);
                savePicture_->setEnabled(true);
                message_->ShowStatus(message);
            },
            Qt::QueuedConnection);
    });
}

void CPlotWindow::ExportCsv() {
    const QString path = ChooseExportPath(t::kCsvFile, t::kCsvFilter);
    if (path.isEmpty()) return;
    TextEncoding encoding = TextEncoding::Gbk;
    for (const auto& area : areas_) {
        if (area) {
            encoding = area->pipeline().encoding();
            break;
        }
    }
    // The copy is a memory copy of the ring; formatting and writing happen on the thread.
    auto samples = std::make_shared<const PlotSamples>(feed_.samples());
    message_->ShowStatus(Text(t::kCsvWriting));
    StartExport(
        path,
        [samples, names = feed_.names(), encoding](PlotExportOut& out) {
            WritePlotCsv(out, *samples, names, encoding);
        },
        Text(t::kCsvDone).arg(path).arg(samples->size()), t::kCsvFailed);
}

void CPlotWindow::SavePicture() {
    const QString path = ChooseExportPath(t::kPictureFile, t::kPictureFilter);
    if (path.isEmpty()) return;
    // What the user sees: the curves as last drawn, with the legend.
    QImage picture = view_->grab().toImage();
    StartExport(
        path,
        [picture = std::move(picture)](PlotExportOut& out) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            if (!picture.save(&buffer, "PNG")) return out.Fail(std::strerror(ENOMEM));
            out.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        },
        Text(t::kPictureDone).arg(path), t::kPictureFailed);
}

}  // namespace viz
