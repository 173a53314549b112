#include "display/graph/widgets/print_window.h"

#include "display/graph/print_fit.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

QString CurrentPrintInfo() {
    const QString version = QCoreApplication::applicationVersion();
    return PrintInfoCaption(QDateTime::currentDateTime(), QCoreApplication::organizationName(),
                            version.section('.', -1));
}

QImage CaptureClientArea(QWidget& form, QLabel* printInfo, const QList<QWidget*>& hide,
                         const QString& caption) {
    QList<QWidget*> hidden;
    for (QWidget* w : hide)
        if (w && !w->isHidden()) {
            w->hide();
            hidden << w;
        }
    const bool infoHidden = printInfo && printInfo->isHidden();
    if (printInfo) {
        printInfo->setText(caption);
        printInfo->show();
    }
    // The layouts take the caption's place before the picture is taken.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QImage picture(form.size() * 2, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(2);
    picture.fill(Qt::white);
    form.render(&picture);
    if (printInfo && infoHidden)
        printInfo->hide();
    for (QWidget* w : hidden)
        w->show();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return picture;
}

bool PrintFitted(QPrinter& printer, const QImage& picture) {
    if (picture.isNull())
        return false;
    QPageLayout upright = printer.pageLayout();
    upright.setOrientation(QPageLayout::Portrait);
    const PrintFit fit = FitToPage(picture.size(), upright.paintRectPixels(printer.resolution()).size());
    if (fit.size.isEmpty())
        return false;
    printer.setPageOrientation(fit.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPainter p;
    if (!p.begin(&printer))
        return false;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(QPointF(0, 0), fit.size), picture, QRectF(picture.rect()));
    return p.end();
}

bool ChoosePrinter(QWidget* parent, QPrinter& printer) {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        // A print button that does nothing would look like a print made.
        if (QMessageBox::question(parent, "Print",
                                  "No printer is installed. Save the page as a PDF file instead?") !=
            QMessageBox::Yes)
            return false;
        QString file = QFileDialog::getSaveFileName(parent, "Save the page as PDF", QString(),
                                                    "PDF file (*.pdf)");
        if (file.isEmpty())
            return false;
        if (!file.endsWith(".pdf", Qt::CaseInsensitive))
            file += ".pdf";
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(file);
        return true;
    }
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool PrintWindow(QWidget& form, QLabel* printInfo, const QList<QWidget*>& hide) {
    QPrinter printer(QPrinter::HighResolution);
    if (!ChoosePrinter(&form, printer))
        return false;
    const QImage picture = CaptureClientArea(form, printInfo, hide, CurrentPrintInfo());
    if (PrintFitted(printer, picture))
        return true;
    QMessageBox::warning(&form, "Print", "The page could not be printed" +
                                             (printer.outputFileName().isEmpty()
                                                  ? QString(".")
                                                  : " to " + printer.outputFileName() + "."));
    return false;
}

QPushButton* SaveImageButton(QWidget* form, QWidget* parent, const QString& objectName,
                             std::function<QString(const QString&)> save) {
    auto* button = new QPushButton("Save image", parent);
    button->setObjectName(objectName);
    QObject::connect(button, &QPushButton::clicked, form, [form, save, lastDir = QString()]() mutable {
        const QString path = QFileDialog::getSaveFileName(form, "Save image", lastDir,
                                                          "PNG picture (*.png);;SVG drawing (*.svg)");
        if (path.isEmpty())
            return;
        lastDir = path;
        if (const QString err = save(path); !err.isEmpty())
            QMessageBox::warning(form, "Save image", err);
    });
    return button;
}
