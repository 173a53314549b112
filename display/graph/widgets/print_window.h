#pragma once
// Printing a graph window: its client area rendered into a picture (the
// widget draws itself, no screen grab, so it works on every platform) with
// the print caption shown and the buttons hidden, then drawn on the printer
// page by the fit-to-page rule. Where no printer is installed the page can
// be saved as a PDF file instead. Used by the frequency graph and the Smith
// chart.

#include <QImage>
#include <QString>

#include <functional>
#include <QList>

class QLabel;
class QPrinter;
class QPushButton;
class QWidget;

/// The caption of the current moment, the program's company and revision.
QString CurrentPrintInfo();

/// Renders `form` as it prints: `printInfo` shows `caption`, the `hide`
/// widgets are hidden for the picture; all are put back as they were.
/// The picture has twice the window's pixels, for the printer's finer dots.
QImage CaptureClientArea(QWidget& form, QLabel* printInfo, const QList<QWidget*>& hide,
                         const QString& caption);

/// Turns the page by the picture's shape and draws the picture from the
/// printable area's top left corner as large as it fits undistorted.
/// False when nothing could be drawn (no picture, the printer failed).
bool PrintFitted(QPrinter& printer, const QImage& picture);

/// Lets the user pick a printer (the print dialog) or, with no printer
/// installed, offers to save the page as a PDF file. False when cancelled.
bool ChoosePrinter(QWidget* parent, QPrinter& printer);

/// The print button's whole job: choose, capture, print. Tells the user
/// when the print failed. False when nothing was printed.
bool PrintWindow(QWidget& form, QLabel* printInfo, const QList<QWidget*>& hide);

/// The "Save image" button of a graph window: asks for a PNG or SVG file
/// (starting where the last one went) and calls `save`, which answers an
/// error text (empty on success) that the button shows to the user.
QPushButton* SaveImageButton(QWidget* form, QWidget* parent, const QString& objectName,
                             std::function<QString(const QString&)> save);
