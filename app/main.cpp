#include <QApplication>
#include <QLabel>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLabel placeholder(QStringLiteral("Tallyfold"));
    placeholder.resize(829, 578);
    placeholder.show();
    return app.exec();
}
