// The program's entry: the toolkit, then start-up and shut-down of the application shell.
#include <QApplication>

#include "Folvex.h"
#include "resources.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(LoadAppIcon());
    CFolvexApp theApp(QCoreApplication::applicationDirPath().toStdString());
    theApp.InitInstance();
    return theApp.ExitInstance();
}
