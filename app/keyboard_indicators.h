// The lock-key indicators of the status bar: CAP, NUM and SCRL show while Caps
// Lock, Num Lock and Scroll Lock are on.
//
// On X11 the state is the keyboard's own indicator lights, read from the X
// server whenever a key goes up or down in the program, when the program becomes
// active, and once a second (a lock key may be toggled in another program).
// Where no such source exists (Wayland, the offscreen platform), the state starts
// off and each press of a lock key inside the program toggles it: that is only
// as right as the state was when the program started, and the indicators say
// nothing more than that.
#pragma once

#include <QObject>
#include <QTimer>
#include <optional>

namespace tarnevo::app {

struct LockKeyState {
    bool capsLock = false;
    bool numLock = false;
    bool scrollLock = false;
    bool operator==(const LockKeyState&) const = default;
};

// The keyboard's lock lights read from the X server; nothing when the program
// does not run on X11.
std::optional<LockKeyState> QueryPlatformLockKeys();

class KeyboardIndicators : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyboardIndicators)

public:
    explicit KeyboardIndicators(QObject* parent = nullptr);

    LockKeyState State() const { return state_; }
    bool ReadsPlatformState() const { return readsPlatform_; }
    void Refresh();

signals:
    void changed(LockKeyState state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Publish(LockKeyState state);

    LockKeyState state_;
    bool readsPlatform_ = false;
    QTimer poll_;
};

}  // namespace tarnevo::app
