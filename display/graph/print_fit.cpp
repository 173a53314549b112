#include "display/graph/print_fit.h"

#include <QLocale>

PrintFit FitToPage(QSizeF picture, QSizeF portraitPage) {
    PrintFit fit;
    if (picture.isEmpty() || portraitPage.isEmpty())
        return fit;
    fit.landscape = picture.height() < picture.width();
    const QSizeF page = fit.landscape ? portraitPage.transposed() : portraitPage;
    const double picRatio = picture.width() / picture.height();
    const double pageRatio = page.width() / page.height();
    if (picRatio >= pageRatio)
        fit.size = QSizeF(page.width(), page.width() / picRatio);
    else
        fit.size = QSizeF(page.height() * picRatio, page.height());
    return fit;
}

QString PrintInfoCaption(const QDateTime& when, const QString& company, const QString& revision) {
    const QLocale c = QLocale::c();
    return c.toString(when.date(), "yyyy-MM-dd") + " " + c.toString(when.time(), "HH:mm:ss") + "  " +
           company + "  " + "  Tavrel 1.3." + revision;
}
