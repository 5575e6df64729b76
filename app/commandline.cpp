#include "commandline.h"

#include "vlmversion.h"

#include <cstdio>
#include <cstring>

namespace VLMQ {

const char* const Usage =
    "Usage: velmora [ARCHIVE...]\n"
    "       velmora --help | --version\n"
    "Shows the pictures of a console game's graphics archives. Each ARCHIVE opens in the\n"
    "layer its file name says, in any letter case: EYECATCH.ALL, WPALL1.ALL, WPALL2.ALL and\n"
    "WPALL3.ALL as the wallpaper, NBGFILE1.ALL as the background, NCDAT.ALL as the\n"
    "character. Each shows its picture 0; a file that cannot be opened is reported and the\n"
    "others still open.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "Exit status: 0 when the viewer is closed, 2 usage error.\n";

int EarlyOptions(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("velmora %s\n", VLM::ReleaseVersion);
            return 0;
        }
    }
    return -1;
}

TCommandLine ParseCommandLine(const QStringList& arguments) {
    TCommandLine line;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && a.size() > 1 && a.startsWith(QLatin1Char('-'))) {
            line.error = QStringLiteral("unknown option '%1'").arg(a);
            return line;
        } else {
            line.archives << a;
        }
    }
    return line;
}

} // namespace VLMQ
