#pragma once
// The texts and check boxes of the server's status window, as plain data.
// The shell writes them while it handles commands and socket events, and
// copies the engine's status record in on the window's display timer; the
// window only copies this record into its controls.

#include <QString>

#include <array>
#include <cstdint>

namespace shell {

struct ShellStatus {
    QString Pl;        ///< the port text
    QString Label2;    ///< the protocol text at start (TCP), then the last message handled
    QString Label12;   ///< " Found " / " not found ": the display program at start
    QString Label5;    ///< last Stateinfo code, " 7"
    QString Label8;    ///< row number of the last DataReady
    QString Label1;    ///< reading of the last DataReady
    QString Label4;    ///< name of the last command ("Setupscan", ..., "Mount")
    QString Label9;    ///< the last edit message in full
    QString Label10;   ///< received text left after the last message
    QString Label11;   ///< "no correction" / "Missed case"
    QString Label3;    ///< last socket error: number, a blank, description
    QString Command1;  ///< "Table = 1", " Connected", or a code-0 message
    /// Bits of B0..B4 while they are shifted out: [0] Byt1 (B0), [1] Byt2,
    /// [2] byt3, [3] byt4, [4] Byt5 (B4); index = bit number.
    std::array<std::array<bool, 8>, 5> bits{};
    int16_t lastState = 0;
    QString problem;   ///< why the loop stopped on its own, else empty
    QString fault;     ///< while the analyser does not answer: what and since when
};

} // namespace shell
