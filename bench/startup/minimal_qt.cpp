// The anchor for start-up time: the smallest Qt widgets program with what a user sees of
// ours — a main window of 800 x 600 with a menu bar, a status bar and a drawn area — that
// ends at its first paint when MW_EXIT_AFTER_FIRST_FRAME is set, as the program does.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>

namespace
{
class Area : public QWidget
{
  protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), Qt::white);
        if (qEnvironmentVariableIsSet("MW_EXIT_AFTER_FIRST_FRAME"))
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu("&File")->addAction("E&xit", &app, &QCoreApplication::quit);
    window.statusBar()->showMessage("Ready");
    window.setCentralWidget(new Area);
    window.resize(800, 600);
    window.show();
    return app.exec();
}
