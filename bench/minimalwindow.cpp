// The yardstick for start-up: the smallest Qt Widgets window that shows something, the same
// size as the utility's window, reporting its first shown frame the same way.
#include "app/shownreport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char *argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal window"));
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Hello"), &window));
    window.setFixedSize(718, 453);
    window.show();
    shownreport::installFromEnvironment(&window, sinceMain);
    return QApplication::exec();
}
