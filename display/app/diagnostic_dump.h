#pragma once
// DUMDUM: the diagnostic dump of the running program, written into the
// working directory as "Tavrel13 Dumpfile.txt".

#include <QString>

class MasterSession;
class CalibProcedure;

/// Writes the dump of the session's state and the calibration plan last
/// used into `dir`; an empty text on success, otherwise why not (naming the
/// file). The program's state is not changed.
QString WriteDiagnosticDump(MasterSession& session, const CalibProcedure& procedure,
                            const QString& dir);
