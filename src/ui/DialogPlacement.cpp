#include "ui/DialogPlacement.h"

#include "ui/JapaneseFonts.h"
#include "ui/Twips.h"
#include "ui/WindowFrame.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

// The running window manager's name: the _NET_WM_NAME of the window that
// the root window's _NET_SUPPORTING_WM_CHECK names. Empty off X11 or
// without a window manager that says.
QByteArray windowManagerName()
{
    const auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c)
        return {};
    auto atom = [c](const char *name) {
        xcb_intern_atom_reply_t *r =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    };
    auto property = [c](xcb_window_t w, xcb_atom_t name, xcb_atom_t type) {
        QByteArray value;
        if (xcb_get_property_reply_t *r =
                xcb_get_property_reply(c, xcb_get_property(c, 0, w, name, type, 0, 64), nullptr)) {
            value = QByteArray(static_cast<const char *>(xcb_get_property_value(r)),
                               xcb_get_property_value_length(r));
            std::free(r);
        }
        return value;
    };
    const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t wmName = atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (check == XCB_ATOM_NONE || wmName == XCB_ATOM_NONE || !screen)
        return {};
    const QByteArray wm = property(screen->root, check, XCB_ATOM_WINDOW);
    if (wm.size() != sizeof(xcb_window_t))
        return {};
    xcb_window_t wmWindow;
    std::memcpy(&wmWindow, wm.constData(), sizeof wmWindow);
    return property(wmWindow, wmName, utf8);
}

// Openbox draws minimise and maximise buttons on every dialog, whatever its
// hints say (a fixed size only makes maximise do nothing), but none on a
// window that calls itself a toolbar, which it otherwise frames, focuses and
// stacks as it does a dialog. Other window managers keep the dialog type:
// some do not give a toolbar the focus when it opens.
bool buttonsNeedAToolbar()
{
    static const bool openbox = windowManagerName() == "Openbox";
    return openbox;
}

// Marks the window a toolbar as it is about to be shown: the type reaches
// the window system only once the window exists, and must be there before
// it is mapped. (Making the window exist any earlier would turn the place
// the dialog is given into the place of its inside, not of its frame.)
class ToolbarWhenShown : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            static_cast<QWidget *>(watched)->setAttribute(Qt::WA_X11NetWmWindowTypeToolBar);
        return false;
    }
};

} // namespace

void DialogPlacement::fixSize(QWidget *dialog, double widthTwips, double heightTwips)
{
    dialog->setFixedSize(Twips::toPxX(widthTwips, dialog), Twips::toPxY(heightTwips, dialog));
    fixFrame(dialog, true);
}

void DialogPlacement::fixFrame(QWidget *dialog, bool closeBox)
{
    Qt::WindowFlags flags =
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;
    if (closeBox)
        flags |= Qt::WindowCloseButtonHint;
    dialog->setWindowFlags(flags);
    if (buttonsNeedAToolbar())
        dialog->installEventFilter(new ToolbarWhenShown(dialog));
}

void DialogPlacement::dress(QWidget *dialog, double pointSize, const QColor &background)
{
    QFont gothic(QString::fromUtf8(JapaneseFonts::gothic));
    gothic.setPointSizeF(pointSize);
    dialog->setFont(gothic);
    QPalette p = dialog->palette();
    p.setColor(QPalette::Window, background);
    dialog->setPalette(p);
    dialog->setAutoFillBackground(true);
}

void DialogPlacement::centreOver(QWidget *dialog, const QWidget *owner)
{
    if (dialog && owner)
        WindowFrame::centreOver(dialog, owner);
}
