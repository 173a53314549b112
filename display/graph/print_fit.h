#pragma once
// The printing rules of the graph windows, without widgets or printers: the
// page orientation chosen for a picture, the largest undistorted size of the
// picture on the page, and the caption printed with it.

#include <QDateTime>
#include <QSizeF>
#include <QString>

/// Where a picture goes on the page.
struct PrintFit {
    bool landscape = false;  ///< the page is turned
    QSizeF size;             ///< the picture's printed size, in the page's units
};

/// A picture less high than wide is printed on a landscape page, any other
/// on a portrait one. `portraitPage` is the printable area of the page held
/// upright (any unit); the picture is drawn from the page's top left corner
/// as large as it fits without distortion: the full width when it is at least
/// as wide (in proportion) as the page, else the full height. An empty
/// picture or page gives an empty size.
PrintFit FitToPage(QSizeF picture, QSizeF portraitPage);

/// PrintInfo's caption: the date, " ", the time, "  ", the company, "  ",
/// "  Tavrel 1.3." and the revision.
QString PrintInfoCaption(const QDateTime& when, const QString& company, const QString& revision);
