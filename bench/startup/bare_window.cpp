// The yardstick of the first-window benchmark: a bare Qt Widgets window of BREVAK's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(795, 594);
    window.show();
    return QApplication::exec();
}
