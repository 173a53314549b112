#include "server/shell/frm_vna.h"

#include "server/shell/server_shell.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace shell {

frmVNA::frmVNA(ServerShell& shell, QWidget* parent) : QWidget(parent), shell_(shell) {
    setObjectName(QStringLiteral("frmVNA"));
    setWindowTitle(QStringLiteral("Brindle.VNA01"));

    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    top->addLayout(grid);
    Pl = AddLabel("Pl", tr("Port"), 0, 0);
    Label2 = AddLabel("Label2", tr("Message"), 1, 0);
    Label10 = AddLabel("Label10", tr("Buffer"), 2, 0);
    Label9 = AddLabel("Label9", tr("Edit"), 3, 0);
    Label3 = AddLabel("Label3", tr("Socket"), 4, 0);
    Label12 = AddLabel("Label12", tr("Display"), 0, 2);
    Label4 = AddLabel("Label4", tr("Command"), 1, 2);
    Label5 = AddLabel("Label5", tr("State"), 2, 2);
    Label8 = AddLabel("Label8", tr("Row"), 3, 2);
    Label1 = AddLabel("Label1", tr("Reading"), 4, 2);
    Label11 = AddLabel("Label11", tr("Edit result"), 5, 2);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);

    Command1 = new QPushButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(Command1, 5, 0, 1, 2);

    // A converter that does not answer: what, where, since when (red).
    Fault = new QLabel(this);
    Fault->setObjectName(QStringLiteral("Fault"));
    Fault->setTextFormat(Qt::PlainText);
    Fault->setWordWrap(true);
    Fault->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
    top->addWidget(Fault);

    // The user bytes as they are shifted out, most significant bit left.
    auto* bytes = new QGroupBox(tr("User bytes"), this);
    auto* bgrid = new QGridLayout(bytes);
    static const char* const names[5] = {"Byt1", "Byt2", "byt3", "byt4", "Byt5"};
    for (int b = 0; b < 5; ++b) {
        bgrid->addWidget(new QLabel(QStringLiteral("B%1").arg(b), bytes), b, 0);
        for (int i = 0; i < 8; ++i) {
            auto* box = new QCheckBox(bytes);
            box->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(names[b])).arg(i));
            box->setAttribute(Qt::WA_TransparentForMouseEvents);
            box->setFocusPolicy(Qt::NoFocus);
            bgrid->addWidget(box, b, 8 - i);
            bits_[size_t(b)][size_t(i)] = box;
        }
    }
    top->addWidget(bytes);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Fixture on the simulated analyser:"), this));
    Fixture = new QComboBox(this);
    Fixture->setObjectName(QStringLiteral("Fixture"));
    Fixture->addItems({"DUT", "THRU", "OPEND", "OPEN", "SHORT", "LOAD"});
    row->addWidget(Fixture);
    row->addStretch();
    top->addLayout(row);
    connect(Fixture, &QComboBox::textActivated, this, [this](const QString& f) { shell_.Mount(f); });

    display_ = new QTimer(this);
    display_->setInterval(kRefreshMs);
    connect(display_, &QTimer::timeout, this, &frmVNA::Refresh);
    display_->start();
    Refresh();
}

QLabel* frmVNA::AddLabel(const char* name, const QString& caption, int row, int column) {
    auto* grid = static_cast<QGridLayout*>(layout()->itemAt(0)->layout());
    grid->addWidget(new QLabel(caption + QLatin1Char(':'), this), row, column);
    auto* l = new QLabel(this);
    l->setObjectName(QLatin1String(name));
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(column == 0 ? 240 : 110);
    l->setTextFormat(Qt::PlainText);
    grid->addWidget(l, row, column + 1);
    return l;
}

void frmVNA::Refresh() {
    shell_.RefreshStatus();
    const ShellStatus& s = shell_.status();
    Pl->setText(s.Pl);
    Label2->setText(s.Label2);
    Label12->setText(s.Label12);
    Label5->setText(s.Label5);
    Label8->setText(s.Label8);
    Label1->setText(s.Label1);
    Label4->setText(s.Label4);
    Label9->setText(s.Label9);
    Label10->setText(s.Label10);
    Label11->setText(s.Label11);
    Label3->setText(s.Label3);
    Label3->setToolTip(s.Label3); // a refused link's reason is longer than the field
    Command1->setText(s.Command1);
    Fault->setText(s.fault);
    Fault->setVisible(!s.fault.isEmpty());
    for (size_t b = 0; b < 5; ++b)
        for (size_t i = 0; i < 8; ++i)
            bits_[b][i]->setChecked(s.bits[b][i]);
}

void frmVNA::closeEvent(QCloseEvent* event) {
    shell_.Form_Unload();
    event->accept();
}

} // namespace shell
