#include "app/keyboard_indicators.h"

#include <QApplication>
#include <QKeyEvent>

namespace tarnevo::app {

#if !defined(TARNEVO_HAVE_X11)
std::optional<LockKeyState> QueryPlatformLockKeys() { return std::nullopt; }
#endif

KeyboardIndicators::KeyboardIndicators(QObject* parent) : QObject(parent) {
    const std::optional<LockKeyState> platform = QueryPlatformLockKeys();
    readsPlatform_ = platform.has_value();
    if (platform) state_ = *platform;
    qApp->installEventFilter(this);
    if (readsPlatform_) {
        poll_.setInterval(1000);
        connect(&poll_, &QTimer::timeout, this, &KeyboardIndicators::Refresh);
        poll_.start();
    }
}

void KeyboardIndicators::Refresh() {
    if (const std::optional<LockKeyState> platform = QueryPlatformLockKeys()) Publish(*platform);
}

void KeyboardIndicators::Publish(LockKeyState state) {
    if (state == state_) return;
    state_ = state;
    emit changed(state_);
}

bool KeyboardIndicators::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) return false;
    const QEvent::Type type = event->type();
    if (readsPlatform_) {
        if (type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::WindowActivate)
            Refresh();
        return false;
    }
    if (type != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->isAutoRepeat()) return false;
    LockKeyState toggled = state_;
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_CapsLock:
            toggled.capsLock = !toggled.capsLock;
            break;
        case Qt::Key_NumLock:
            toggled.numLock = !toggled.numLock;
            break;
        case Qt::Key_ScrollLock:
            toggled.scrollLock = !toggled.scrollLock;
            break;
        default:
            return false;
    }
    Publish(toggled);
    return false;
}

}  // namespace tarnevo::app
