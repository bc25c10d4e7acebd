// zev-tour <folder>: generates the demo database in a temporary program folder, starts the real
// client on it and walks its screens, saving one PNG per screen into <folder>.

#include "DemoProgramFolder.h"
#include "core/Errors.h"
#include "signin/CommandLine.h"
#include "tour/Screenshots.h"
#include "tour/Tour.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zev-tour <folder for the pictures>\n");
        return EXIT_FAILURE;
    }
    QApplication app(argc, argv);
    // As the client: its name only (a display name would be appended to every title), Qt's own
    // texts in Russian.
    QApplication::setApplicationName(QStringLiteral("ZEV 32"));
    zev::loadQtRussianTranslations(app);

    try {
        const QString pictures = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
        const zev::testing::DemoProgramFolder program;
        zev::tour::Screenshots shots(pictures);
        {
            zev::tour::Tour tour(shots, program);
            tour.run();
        }
        std::printf("%lld pictures in %s\n", static_cast<long long>(shots.saved().size()),
                    qPrintable(QDir::toNativeSeparators(pictures)));
        return EXIT_SUCCESS;
    } catch (const zev::Error& e) {
        std::fprintf(stderr, "zev-tour: %s\n", qPrintable(e.text()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zev-tour: %s\n", e.what());
    }
    return EXIT_FAILURE;
}
