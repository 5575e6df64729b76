// The viewer's command line: velmora [ARCHIVE...], velmora --help | --version.
#pragma once

#include <QString>
#include <QStringList>

namespace VLMQ {

// What --help prints.
extern const char* const Usage;

// --help or --version before any "--": prints its text on stdout and answers 0; otherwise -1.
// Runs before the application object exists, so that neither needs a display.
int EarlyOptions(int argc, char* argv[]);

struct TCommandLine {
    QStringList archives;
    QString error; // a usage error, or empty
};

// The arguments left once Qt has taken its own (the first is the program).
TCommandLine ParseCommandLine(const QStringList& arguments);

} // namespace VLMQ
