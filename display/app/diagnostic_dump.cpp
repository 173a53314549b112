#include "display/app/diagnostic_dump.h"

#include "display/app/master_session.h"
#include "display/measure/qt_text.h"
#include "display/calib/calib_dump.h"
#include "display/sfile/sdata_listing.h"

#include <QDateTime>
#include <QDir>
#include <QHostInfo>
#include <QLocale>

#include <sstream>

#ifndef VNA_VERSION
#define VNA_VERSION "0.0.0"
#endif

QString WriteDiagnosticDump(MasterSession& session, const CalibProcedure& procedure,
                            const QString& dir) {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    DumpHeader h;
    h.revision = VNA_VERSION;
    h.hostname = QHostInfo::localHostName().toStdString();
    h.date = locale.toString(now.date(), QLocale::ShortFormat).toStdString();
    h.time = locale.toString(now.time(), QLocale::LongFormat).toStdString();
    std::ostringstream sdata;
    ListSdataHeaders(sdata, session.state().SdataHead);
    h.sdataHeaders = sdata.str();
    const std::string text = DumpText(h, session.state(), procedure);
    std::string error;
    if (!WriteDump(QDir(dir).filePath(kDumpFileName).toStdString(), text, error))
        return Q(error);
    return {};
}
