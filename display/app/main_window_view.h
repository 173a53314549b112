#pragma once
// What the session tells the main window (or the batch mode, which shows
// it on the error stream).

#include <QString>

class MainWindowView {
public:
    virtual ~MainWindowView() = default;
    /// A message box the user must acknowledge (start-up warnings, errors).
    virtual void Message(const QString& text) = 0;
    /// The main window's caption (the title, later with the scan rate).
    virtual void SetCaption(const QString& caption) = 0;
    /// A line for the status bar (link state, calibration state, faults).
    virtual void Status(const QString& text) = 0;
    /// VnaMessure's caption changed ("Configuration S21" ...).
    virtual void VnaMessureCaption(const QString& caption) = 0;
    /// ConfigDone shown red (the user must reconnect the instrument) or hidden.
    virtual void ConfigDoneRed(bool red) = 0;
};
