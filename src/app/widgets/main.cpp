// The desktop program: the application, its state and the main window, alive until the main
// window closes.

#include <QApplication>

#include "app/widgets/AppIcon.h"
#include "app/widgets/ApplicationState.h"
#include "app/widgets/MainWindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(quorvel::applicationIcon());
    quorvel::ApplicationState state;
    quorvel::MainWindow window(state);
    window.show();
    return QApplication::exec();
}
