// velisto: the main window over the core, on the user's MIDI ports and audio.

#include "CVelistoApp.h"
#include "files/PosixFileSync.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication application(argc, argv);
    QApplication::setApplicationName("Velisto");
    QApplication::setOrganizationName("Korvane Software");

    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);

    // Saved songs reach the disk before their rename counts as done.
    velisto::PosixFileSync durableSaves;
    velisto::installFileSync(&durableSaves);

    velisto::CVelistoApp app;
    if (!app.initInstance(arguments))
        return 1;
    const int status = QApplication::exec();
    return app.exitInstance() ? status : 1;
}
