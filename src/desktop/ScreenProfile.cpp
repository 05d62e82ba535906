#include "desktop/ScreenProfile.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace desktop {

namespace {

constexpr quint32 largestProfileWords = 16 * 1024 * 1024 / 4;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 1, quint16(strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

} // namespace

QByteArray screenProfile() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return {};
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return {};
    const xcb_atom_t property = atom(connection, "_ICC_PROFILE");
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (property == XCB_ATOM_NONE || !screen)
        return {};
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection, 0, screen->root, property, XCB_GET_PROPERTY_TYPE_ANY, 0, largestProfileWords);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    QByteArray profile;
    if (reply && reply->format == 8)
        profile = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                             xcb_get_property_value_length(reply));
    std::free(reply);
    return profile;
}

} // namespace desktop
