// Program entry. Placeholder window until the main window lands.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label("Vantrel Data Acquisition Software");
    label.resize(800, 600);
    label.show();
    return app.exec();
}
