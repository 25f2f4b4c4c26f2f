// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/X11RootDesktop.h"

#include "desktop/RootPicture.h"
#include "desktop/X11Connection.h"
#include "desktop/X11MonitorWatch.h"
#include "desktop/X11PixelLayout.h"

#include <QCoreApplication>
#include <QImage>
#include <QList>

#include <sys/shm.h>
#include <xcb/res.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace kv {
namespace {

constexpr const char* kRootPixmapAtom = "_XROOTPMAP_ID";
constexpr const char* kSetRootPixmapAtom = "ESETROOT_PMAP_ID";

using Connection = X11Connection;

QByteArray readProperty(const Connection& c, xcb_window_t window, xcb_atom_t property,
                        xcb_atom_t type, int format) {
    if (property == XCB_ATOM_NONE)
        return {};
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c.get(), xcb_get_property(c.get(), 0, window, property, type, 0, 16384), nullptr);
    QByteArray value;
    if (reply && reply->type == type && reply->format == format && reply->bytes_after == 0)
        value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    std::free(reply);
    return value;
}

std::optional<quint32> readCardinal(const Connection& c, xcb_window_t window, xcb_atom_t property,
                                    xcb_atom_t type = XCB_ATOM_CARDINAL) {
    const QByteArray value = readProperty(c, window, property, type, 32);
    if (value.size() != 4)
        return std::nullopt;
    quint32 number;
    std::memcpy(&number, value.constData(), 4);
    return number;
}

void writeCardinal(const Connection& c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                   quint32 value) {
    xcb_change_property(c.get(), XCB_PROP_MODE_REPLACE, window, property, type, 32, 1, &value);
}

// What we recorded on the root of the default screen.
struct Record {
    std::optional<QString> path;
    std::optional<int> style;
    std::optional<DesktopColor> colour;
    bool shown = false; // the root still shows the pixmap we drew
};

Record readRecord(const Connection& c) {
    Record record;
    xcb_screen_t* screen = c.defaultScreen();
    if (!screen)
        return record;
    const xcb_atom_t utf8 = c.atom("UTF8_STRING");
    const xcb_atom_t pathAtom = c.atom(X11RootDesktop::kPathProperty, true);
    if (pathAtom != XCB_ATOM_NONE) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            c.get(), xcb_get_property(c.get(), 0, screen->root, pathAtom, utf8, 0, 16384), nullptr);
        if (reply && reply->type == utf8 && reply->format == 8 && reply->bytes_after == 0)
            record.path = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                            xcb_get_property_value_length(reply));
        std::free(reply);
    }
    if (const auto style =
            readCardinal(c, screen->root, c.atom(X11RootDesktop::kStyleProperty, true));
        style && isWallpaperStyle(int(*style)))
        record.style = int(*style);
    if (const auto colour =
            readCardinal(c, screen->root, c.atom(X11RootDesktop::kColorProperty, true)))
        record.colour = *colour & 0x00FFFFFFu;
    const auto ours = readCardinal(c, screen->root, c.atom(X11RootDesktop::kPixmapProperty, true),
                                   XCB_ATOM_PIXMAP);
    record.shown = ours && readCardinal(c, screen->root, c.atom(kRootPixmapAtom, true),
                                        XCB_ATOM_PIXMAP) == ours;
    return record;
}

// A piece of memory the X server reads our pixels from directly (MIT-SHM), saving the copy
// through the socket. Not there on remote displays or servers without the extension; the caller
// then sends the pixels in requests.
class SharedBand {
public:
    SharedBand(const Connection& c, size_t bytes) : c_(c) {
        const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c.get(), &xcb_shm_id);
        if (!extension || !extension->present)
            return;
        const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0)
            return;
        void* data = shmat(id, nullptr, 0);
        if (data != reinterpret_cast<void*>(-1)) {
            data_ = static_cast<uchar*>(data);
            segment_ = xcb_generate_id(c.get());
            xcb_generic_error_t* error =
                xcb_request_check(c.get(), xcb_shm_attach_checked(c.get(), segment_, id, 1));
            attached_ = error == nullptr;
            std::free(error);
        }
        // Marked for removal at once: it goes away when both sides have let go, even if we
        // do not get the chance to.
        shmctl(id, IPC_RMID, nullptr);
    }
    ~SharedBand() {
        if (attached_)
            xcb_shm_detach(c_.get(), segment_);
        if (data_)
            shmdt(data_);
    }
    SharedBand(const SharedBand&) = delete;
    SharedBand& operator=(const SharedBand&) = delete;

    bool ok() const { return attached_; }
    uchar* data() const { return data_; }
    xcb_shm_seg_t segment() const { return segment_; }

private:
    const Connection& c_;
    uchar* data_ = nullptr;
    xcb_shm_seg_t segment_ = 0;
    bool attached_ = false;
};

// A new pixmap the size of the screen holding the picture, or XCB_NONE. The picture is drawn
// and sent one band of rows at a time, so no screen-sized copy of it exists on our side.
xcb_pixmap_t drawPixmap(const Connection& c, const xcb_screen_t* screen,
                        const X11PixelLayout& layout, RootPicture& picture,
                        const QList<QRect>& monitors) {
    xcb_connection_t* x = c.get();
    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;
    const xcb_pixmap_t pixmap = xcb_generate_id(x);
    if (xcb_generic_error_t* error = xcb_request_check(
            x, xcb_create_pixmap_checked(x, screen->root_depth, pixmap, screen->root,
                                         uint16_t(width), uint16_t(height)))) {
        std::free(error);
        return XCB_NONE;
    }
    const xcb_gcontext_t gc = xcb_generate_id(x);
    xcb_create_gc(x, gc, pixmap, 0, nullptr);

    const qsizetype rowBytes = layout.rowBytes(width);
    const std::optional<QImage::Format> direct = layout.imageFormat();
    const qsizetype maxRequest = qsizetype(xcb_get_maximum_request_length(x)) * 4 - 64;
    // Small bands keep little of a picture decoded as drawn; smaller ones than these cost more in
    // answers from the server than they save.
    constexpr qsizetype kBandBytes = 1 << 18;
    const int bandRows =
        int(qBound(qsizetype(1), qMin(kBandBytes, maxRequest) / rowBytes, qsizetype(height)));
    // Two pieces of shared memory in turn: the server reads one band while we draw the next.
    SharedBand shared[] = {{c, size_t(rowBytes * bandRows)}, {c, size_t(rowBytes * bandRows)}};
    const int turns = shared[1].ok() ? 2 : 1;
    std::optional<xcb_get_input_focus_cookie_t> read[2];
    // The server has read what was put from that memory once it answers a request sent after it.
    const auto awaitRead = [x](std::optional<xcb_get_input_focus_cookie_t>& cookie) {
        if (cookie)
            std::free(xcb_get_input_focus_reply(x, *cookie, nullptr));
        cookie.reset();
    };
    // Where the server's pixels are no QImage format of ours, each band is drawn here first.
    QImage drawn = direct ? QImage() : QImage(width, bandRows, QImage::Format_RGB32);
    if (!direct && drawn.isNull()) {
        xcb_free_gc(x, gc);
        xcb_free_pixmap(x, pixmap);
        return XCB_NONE;
    }
    QByteArray unshared; // a band's pixels sent in the request, where no memory is shared
    for (int top = 0, turn = 0; top < height; top += bandRows, turn = (turn + 1) % turns) {
        const int rows = qMin(bandRows, height - top);
        uchar* pixels = nullptr;
        if (shared[0].ok()) {
            awaitRead(read[turn]);
            pixels = shared[turn].data();
        } else {
            unshared.resize(rows * rowBytes);
            pixels = reinterpret_cast<uchar*>(unshared.data());
        }
        if (direct) {
            QImage band(pixels, width, rows, rowBytes, *direct);
            picture.drawBand(band, top, monitors);
        } else {
            QImage band(drawn.bits(), width, rows, drawn.bytesPerLine(), drawn.format());
            picture.drawBand(band, top, monitors);
            layout.encode(band, pixels);
        }
        if (shared[0].ok()) {
            xcb_shm_put_image(x, pixmap, gc, uint16_t(width), uint16_t(rows), 0, 0, uint16_t(width),
                              uint16_t(rows), 0, int16_t(top), screen->root_depth,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, 0, shared[turn].segment(), 0);
            read[turn] = xcb_get_input_focus(x);
            xcb_flush(x);
        } else {
            xcb_put_image(x, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, uint16_t(width), uint16_t(rows),
                          0, int16_t(top), 0, screen->root_depth, uint32_t(rows * rowBytes),
                          pixels);
        }
    }
    for (auto& cookie : read)
        awaitRead(cookie);
    xcb_free_gc(x, gc);
    return pixmap;
}

// The argument of X-Resource's client query: a client named by one of its ids, and what is asked.
template <typename ClientQuery>
ClientQuery clientQueryOf(xcb_res_query_client_ids_cookie_t (*)(xcb_connection_t*, uint32_t,
                                                                const ClientQuery*));
using ClientQuery = decltype(clientQueryOf(&xcb_res_query_client_ids));

// The process id the X server knows for the client that `id` belongs to; none where the server
// cannot tell (no X-Resource extension, a client from another machine, a server in a process
// namespace of its own, which says 0 for everyone) or no client has it.
std::optional<quint32> ownerProcess(const Connection& c, quint32 id) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c.get(), &xcb_res_id);
    if (!extension || !extension->present)
        return std::nullopt;
    const ClientQuery client{id, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    xcb_res_query_client_ids_reply_t* reply = xcb_res_query_client_ids_reply(
        c.get(), xcb_res_query_client_ids(c.get(), 1, &client), nullptr);
    std::optional<quint32> process;
    if (reply) {
        const auto ids = xcb_res_query_client_ids_ids_iterator(reply);
        if (ids.rem > 0 && xcb_res_client_id_value_value_length(ids.data) == 1 &&
            *xcb_res_client_id_value_value(ids.data) != 0)
            process = *xcb_res_client_id_value_value(ids.data);
    }
    std::free(reply);
    return process;
}

// Whether the client that `id` belongs to holds pixmaps and nothing else, as a setter's kept
// connection does; a running program's holds windows, contexts and more.
bool holdsOnlyPixmaps(const Connection& c, quint32 id) {
    xcb_res_query_client_resources_reply_t* reply = xcb_res_query_client_resources_reply(
        c.get(), xcb_res_query_client_resources(c.get(), id), nullptr);
    bool only = reply && reply->num_types > 0;
    for (auto type = reply ? xcb_res_query_client_resources_types_iterator(reply)
                           : xcb_res_type_iterator_t{};
         only && type.rem > 0; xcb_res_type_next(&type))
        only = type.data->resource_type == XCB_ATOM_PIXMAP;
    std::free(reply);
    return only;
}

// Whether our last pixmap is still held by the connection that drew it and was kept, so that
// ending that client frees it and nothing else. Another setter may have ended that client, and
// its slot, with our id, gone to a new client; a process id may come back for a new process. So
// all must agree: the client's process is the one that drew, that process is this one or has
// ended (no running program of it can own anything then), and the client holds pixmaps alone.
bool stillOurs(const Connection& c, quint32 ours, quint32 drawnBy,
               std::optional<quint32> ownProcess) {
    if (ownerProcess(c, ours) != drawnBy)
        return false;
    const bool drawerEnded = ::kill(pid_t(drawnBy), 0) != 0 && errno == ESRCH;
    return (drawnBy == ownProcess || drawerEnded) && holdsOnlyPixmaps(c, ours);
}

// Whether `id` names a pixmap still. A stale id's range may belong to an unrelated program by now,
// which may have made anything under it; current servers refuse to end a client for an id that
// names nothing, older ones did not. Windows are the only other resources with a geometry.
bool namesPixmap(const Connection& c, xcb_drawable_t id) {
    xcb_generic_error_t* error = nullptr;
    std::free(xcb_get_geometry_reply(c.get(), xcb_get_geometry(c.get(), id), &error));
    if (error) {
        std::free(error);
        return false;
    }
    xcb_get_window_attributes_reply_t* window =
        xcb_get_window_attributes_reply(c.get(), xcb_get_window_attributes(c.get(), id), &error);
    const bool isWindow = window != nullptr;
    std::free(error);
    std::free(window);
    return !isWindow;
}

struct Wanted {
    QString path; // empty: the bare colour
    std::optional<int> style;
    std::optional<DesktopColor> colour;
};

enum class Painted { Yes, NotAPicture, Failed };

// Draws the wanted background on every screen, the picture decoded once for all their monitors;
// a single screen's picture is decoded while its bands are drawn, so it is never held whole. The
// server keeps the pixmaps after the connection ends. Nothing on the screens changes unless every
// picture was made and the picture proved whole.
Painted paintRoots(const Connection& c, const Wanted& wanted) {
    const QList<xcb_screen_t*> screens = c.screens();
    QList<QList<QRect>> monitors;
    QList<QRect> everyMonitor;
    for (const xcb_screen_t* screen : screens) {
        monitors << c.monitors(screen);
        everyMonitor << monitors.last();
    }
    RootPicture picture;
    if (!picture.load(wanted.path, everyMonitor, wanted.style.value_or(StyleStretch),
                      wanted.colour.value_or(0), nullptr,
                      screens.size() == 1 ? RootPicture::Decode::AsDrawn
                                          : RootPicture::Decode::Whole))
        return Painted::NotAPicture;
    QList<xcb_pixmap_t> pixmaps;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const auto layout = X11PixelLayout::of(xcb_get_setup(c.get()), screens[i]);
        if (!layout)
            return Painted::Failed;
        const xcb_pixmap_t pixmap = drawPixmap(c, screens[i], *layout, picture, monitors[i]);
        if (pixmap == XCB_NONE)
            return Painted::Failed;
        pixmaps << pixmap;
    }
    // The pixmaps of a picture that proves damaged go with the connection, never shown.
    if (!picture.whole())
        return Painted::NotAPicture;

    const xcb_atom_t rootPixmap = c.atom(kRootPixmapAtom);
    const xcb_atom_t setRootPixmap = c.atom(kSetRootPixmapAtom);
    const xcb_atom_t utf8 = c.atom("UTF8_STRING");
    const xcb_atom_t pathAtom = c.atom(X11RootDesktop::kPathProperty);
    const xcb_atom_t styleAtom = c.atom(X11RootDesktop::kStyleProperty);
    const xcb_atom_t colorAtom = c.atom(X11RootDesktop::kColorProperty);
    const xcb_atom_t pixmapAtom = c.atom(X11RootDesktop::kPixmapProperty);
    const xcb_atom_t ownerAtom = c.atom(X11RootDesktop::kPixmapOwnerProperty);
    const QByteArray path = wanted.path.toUtf8();
    const xcb_setup_t* setup = xcb_get_setup(c.get());
    const std::optional<quint32> ownProcess = ownerProcess(c, setup->resource_id_base);
    // Stale ids of a setter that went away without keeping its pixmap may fall in the range the
    // server has since given to this very connection: never end ourselves.
    const auto ownRange = [setup](quint32 id) {
        return (id & ~setup->resource_id_mask) == setup->resource_id_base;
    };
    QList<xcb_pixmap_t> previous;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const xcb_window_t root = screens[i]->root;
        // A setter that kept its pixmap alive names it in both atoms; ending that client is the
        // only way to free it.
        const auto old = readCardinal(c, root, rootPixmap, XCB_ATOM_PIXMAP);
        const auto oldSet = readCardinal(c, root, setRootPixmap, XCB_ATOM_PIXMAP);
        if (old && oldSet && *old == *oldSet && *old != XCB_NONE && !ownRange(*old) &&
            !previous.contains(*old))
            previous << *old;
        // Ours goes whatever names it now: a setter that names only _XROOTPMAP_ID leaves it
        // under ESETROOT_PMAP_ID for good.
        const auto ours = readCardinal(c, root, pixmapAtom, XCB_ATOM_PIXMAP);
        const auto drawnBy = readCardinal(c, root, ownerAtom);
        if (ours && drawnBy && !ownRange(*ours) && !previous.contains(*ours) &&
            stillOurs(c, *ours, *drawnBy, ownProcess))
            previous << *ours;

        // The picture goes up in one piece: the root never shows the bare colour first.
        writeCardinal(c, root, rootPixmap, XCB_ATOM_PIXMAP, pixmaps[i]);
        writeCardinal(c, root, setRootPixmap, XCB_ATOM_PIXMAP, pixmaps[i]);
        writeCardinal(c, root, pixmapAtom, XCB_ATOM_PIXMAP, pixmaps[i]);
        if (ownProcess)
            writeCardinal(c, root, ownerAtom, XCB_ATOM_CARDINAL, *ownProcess);
        else
            xcb_delete_property(c.get(), root, ownerAtom);
        xcb_change_window_attributes(c.get(), root, XCB_CW_BACK_PIXMAP, &pixmaps[i]);
        xcb_clear_area(c.get(), 0, root, 0, 0, 0, 0);
        xcb_change_property(c.get(), XCB_PROP_MODE_REPLACE, root, pathAtom, utf8, 8,
                            uint32_t(path.size()), path.constData());
        if (wanted.style)
            writeCardinal(c, root, styleAtom, XCB_ATOM_CARDINAL, quint32(*wanted.style));
        if (wanted.colour)
            writeCardinal(c, root, colorAtom, XCB_ATOM_CARDINAL, *wanted.colour);
    }
    if (!c.settle())
        return Painted::Failed;
    // Only now, with the new background in place, so the screen never flashes bare.
    for (const xcb_pixmap_t old : previous)
        if (namesPixmap(c, old))
            std::free(xcb_request_check(c.get(), xcb_kill_client_checked(c.get(), old)));
    xcb_set_close_down_mode(c.get(), XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    return c.settle() ? Painted::Yes : Painted::Failed;
}

// Whether the root shows another program's picture, set before we drew or over what we drew.
bool showsForeignPicture(const Connection& c, const Record& record) {
    xcb_screen_t* screen = c.defaultScreen();
    return !record.shown && screen &&
           readCardinal(c, screen->root, c.atom(kRootPixmapAtom, true), XCB_ATOM_PIXMAP);
}

// Draws our background again for a new colour, style or monitors. A picture whose file has gone
// since it was drawn gives way to the colour alone, recorded as what shows: the change shows at
// once, and the next start shows the wallpaper again, or reports its file missing as any change
// would.
Painted paintAgain(const Connection& c, const Wanted& wanted) {
    const Painted painted = paintRoots(c, wanted);
    if (painted != Painted::NotAPicture || wanted.path.isEmpty())
        return painted;
    return paintRoots(c, {QString(), wanted.style, wanted.colour});
}

// Records a style or colour on every root without drawing, for the next picture.
bool recordOnly(const Connection& c, const char* property, quint32 value) {
    const xcb_atom_t atom = c.atom(property);
    for (xcb_screen_t* screen : c.screens())
        writeCardinal(c, screen->root, atom, XCB_ATOM_CARDINAL, value);
    return c.settle();
}

} // namespace

X11RootDesktop::X11RootDesktop(QByteArray display) : display_(std::move(display)) {}

X11RootDesktop::~X11RootDesktop() = default;

QString X11RootDesktop::name() const {
    // The id before the brackets is the one KESTROVALINE_DESKTOP takes, in every language.
    return QStringLiteral("x11 (%1)")
        .arg(display_.isEmpty()
                 ? QCoreApplication::translate("kv::DesktopBackend", "X11 root window")
                 : QCoreApplication::translate("kv::DesktopBackend", "X11 root window on %1")
                       .arg(QString::fromLocal8Bit(display_)));
}

void X11RootDesktop::watchMonitors() {
    // From the first drawing on. The watch needs the event loop; a program without one has no
    // run time to watch.
    if (!watch_ && QCoreApplication::instance())
        watch_ = std::make_unique<X11MonitorWatch>(display_, [this] { monitorsChanged(); });
}

void X11RootDesktop::monitorsChanged() {
    Connection c(display_);
    if (!c.ok())
        return;
    // Someone else's picture is placed by its own setter, if at all.
    const Record record = readRecord(c);
    if (!record.path || !record.shown)
        return;
    // Drawn again even when the picture's file has gone: the old drawing would show repeated
    // over the new layout.
    paintAgain(c, {*record.path, record.style, record.colour});
}

ShowResult X11RootDesktop::ShowWallpaper(const QString& path, DesktopColor colour, int style) {
    Connection c(display_);
    if (path.isEmpty() || !c.ok())
        return ShowResult::Refused;
    watchMonitors();
    const Record record = readRecord(c);
    colour &= 0x00FFFFFFu;
    // A style we cannot place keeps the one shown, as a refused style change would.
    const Wanted wanted{path, isWallpaperStyle(style) ? std::optional<int>(style) : record.style,
                        colour};
    switch (paintRoots(c, wanted)) {
    case Painted::NotAPicture:
        return ShowResult::NotAPicture;
    case Painted::Failed:
        return ShowResult::Refused;
    case Painted::Yes:
        break;
    }
    return readRecord(c).path == path ? ShowResult::Shown : ShowResult::Refused;
}

bool X11RootDesktop::forgotWallpaper() {
    Connection c(display_);
    if (!c.ok())
        return false;
    const Record record = readRecord(c);
    // The colour shown alone, its picture's file gone, is no picture either.
    if (!record.shown || record.path.value_or(QString()).isEmpty())
        return true;
    // A copy started over our picture draws nothing, yet the picture must follow the monitors.
    watchMonitors();
    return false;
}

bool X11RootDesktop::SetDesktopWallpaper(const QString& path) {
    Connection c(display_);
    if (path.isEmpty() || !c.ok())
        return false;
    watchMonitors();
    const Record record = readRecord(c);
    if (paintRoots(c, {path, record.style, record.colour}) != Painted::Yes)
        return false;
    return readRecord(c).path == path;
}

int X11RootDesktop::GetDesktopWallpaperStyle() {
    Connection c(display_);
    return c.ok() ? readRecord(c).style.value_or(StyleUnknown) : StyleUnknown;
}

bool X11RootDesktop::SetDesktopWallpaperStyle(int style) {
    if (!isWallpaperStyle(style))
        return false;
    Connection c(display_);
    if (!c.ok())
        return false;
    watchMonitors();
    const Record record = readRecord(c);
    if (!record.path || record.path->isEmpty() || showsForeignPicture(c, record)) {
        // No picture of ours to place, or another's shows: remember the style for our next one.
        if (!recordOnly(c, kStyleProperty, quint32(style)))
            return false;
    } else if (paintAgain(c, {*record.path, style, record.colour}) != Painted::Yes) {
        return false;
    }
    return readRecord(c).style == style;
}

DesktopColor X11RootDesktop::GetDesktopColor() {
    Connection c(display_);
    return c.ok() ? readRecord(c).colour.value_or(kUnknownDesktopColor) : kUnknownDesktopColor;
}

bool X11RootDesktop::SetDesktopColor(DesktopColor colour) {
    colour &= 0x00FFFFFFu;
    Connection c(display_);
    if (!c.ok())
        return false;
    watchMonitors();
    const Record record = readRecord(c);
    if (showsForeignPicture(c, record)) {
        // Another program's picture is on the screen: the colour shows with our next one.
        if (!recordOnly(c, kColorProperty, colour))
            return false;
    } else if (paintAgain(c, {record.path.value_or(QString()), record.style, colour}) !=
               Painted::Yes) {
        return false;
    }
    return readRecord(c).colour == colour;
}

// Both on one connection and, where our picture shows, in one drawing.
bool X11RootDesktop::setColourAndStyle(DesktopColor colour, int style) {
    colour &= 0x00FFFFFFu;
    Connection c(display_);
    if (!c.ok())
        return false;
    const Record record = readRecord(c);
    const bool placed = isWallpaperStyle(style);
    const bool newStyle = placed && record.style != style;
    if (record.shown || newStyle || record.colour != colour)
        watchMonitors();
    if (!newStyle && record.colour == colour)
        return placed;
    const Wanted wanted{record.path.value_or(QString()),
                        newStyle ? std::optional<int>(style) : record.style, colour};
    // Our picture is drawn again with both; a bare colour of ours (or none yet) only when the
    // colour changes; another program's picture keeps the screen until our next one.
    const bool drawn =
        !showsForeignPicture(c, record) && (!wanted.path.isEmpty() || record.colour != colour);
    if (drawn ? paintAgain(c, wanted) != Painted::Yes
              : !recordOnly(c, kColorProperty, colour) ||
                    (wanted.style && !recordOnly(c, kStyleProperty, quint32(*wanted.style))))
        return false;
    const Record after = readRecord(c);
    return placed && after.colour == colour && after.style == wanted.style;
}

} // namespace kv
