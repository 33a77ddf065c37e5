#pragma once
// What the program asks of the desktop it runs on. The real implementation
// changes nothing of the user's system; tests replace it to reach every path.

#include <QString>

class QWidget;

namespace tendro {

struct DisplayMode {
    double width = 0;
    double height = 0;
    int bitsPerPixel = 0;
};

class Platform {
public:
    virtual ~Platform() = default;
    virtual void loadKeyboardLayout(const QString &layout) = 0;
    // False when the system refuses the change.
    virtual bool setDecimalSeparator(const QString &separator) = 0;
    // Takes the close command away from a window (scoateInchidere).
    virtual void removeCloseCommand(QWidget *window) = 0;
    virtual void restoreCloseCommand(QWidget *window) = 0;
    virtual DisplayMode currentDisplayMode() = 0;
    virtual void applyDisplayMode(const DisplayMode &mode) = 0;
    // Ends the process at once; the real one never returns. Callers return
    // right after it, so a test implementation may record and return.
    virtual void endProgram() = 0;
};

class LinuxPlatform : public Platform {
public:
    void loadKeyboardLayout(const QString &layout) override;
    bool setDecimalSeparator(const QString &separator) override;
    void removeCloseCommand(QWidget *window) override;
    void restoreCloseCommand(QWidget *window) override;
    DisplayMode currentDisplayMode() override;
    void applyDisplayMode(const DisplayMode &mode) override;
    void endProgram() override;
};

} // namespace tendro
