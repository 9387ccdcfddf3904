// The desktop program: the application, its state and the main window, alive until the main
// window closes; or, given --open, the analyzer on one recording.

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <exception>

#include "analyzer/widgets/AnalyzerWindow.h"
#include "app/widgets/AppIcon.h"
#include "app/widgets/ApplicationState.h"
#include "app/widgets/MainWindow.h"
#include "common/PrintableText.h"
#include "common/Version.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvel"));
    QApplication::setApplicationVersion(QString::fromUtf8(
        quorvel::kProgramVersion.data(), static_cast<qsizetype>(quorvel::kProgramVersion.size())));
    QApplication::setWindowIcon(quorvel::applicationIcon());
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quorvel: modulated test signals, and an analyzer for recordings."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption open(
        QStringLiteral("open"),
        QStringLiteral("Show RECORDING (.sigmf-meta, .sigmf-data or .csv) in the analyzer."),
        QStringLiteral("RECORDING"));
    parser.addOption(open);
    parser.process(app);
    if (parser.isSet(open)) {
        try {
            auto* analyzer = new quorvel::AnalyzerWindow(parser.value(open));
            analyzer->show();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "quorvel: %s\n", quorvel::printableText(e.what()).c_str());
            return 2;
        }
        return QApplication::exec();
    }
    quorvel::ApplicationState state;
    quorvel::MainWindow window(state);
    window.show();
    return QApplication::exec();
}
