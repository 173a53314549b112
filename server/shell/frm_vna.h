#pragma once
// The server's status window "Brindle.VNA01": labels with the port, the
// protocol and last message, the state, row and reading of the loop, the
// last command, socket errors, the five rows of eight bit boxes of the user
// bytes, the fault of an analyser that does not answer, and the fixture
// choice of the simulated analyser. It copies the
// shell's status on a display timer (about 20 per second); the scan loop
// never touches it. Controls carry their documented names as objectName.

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace shell {

class ServerShell;

class frmVNA : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 50;

    explicit frmVNA(ServerShell& shell, QWidget* parent = nullptr);

    /// Copies the shell's status into the controls (the display timer).
    void Refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* AddLabel(const char* name, const QString& caption, int row, int column);

    ServerShell& shell_;
    QLabel *Pl, *Label2, *Label12, *Label5, *Label8, *Label1, *Label4, *Label9, *Label10,
        *Label11, *Label3, *Fault;
    QPushButton* Command1;
    QComboBox* Fixture;
    std::array<std::array<QCheckBox*, 8>, 5> bits_{}; // Byt1, Byt2, byt3, byt4, Byt5
    QTimer* display_;
};

} // namespace shell
