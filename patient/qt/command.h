#pragma once
// What tavrel-patient does when it is given arguments: writes one set, the
// disc image, or both, and tells what it did on the output, what went wrong
// on the error output. Returns the exit status.

#include <QStringList>
#include <QTextStream>

namespace patient {

int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace patient
