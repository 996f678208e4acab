// SPDX-License-Identifier: MIT
// A drag source for the tests: a small window that starts a drag of the data named on the command line as
// soon as it is pressed, and reports on standard output what the drop target answers.
//
//   brimvel_dragsource --at X,Y [--uri-list TEXT] [--moz-url ADDRESS TITLE] [--netscape-url ADDRESS TITLE]
//                      [--text TEXT] [--png]
//
// Lines written: "ready" once the window is on screen, "action N" each time the target's answer changes
// (Qt::DropAction: 0 refused, 1 copy, 2 move) and "result N" when the drag ends. It stays to serve the
// dropped data until it is ended.

#include "../support/Utf16le.h"
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QBuffer>
#include <QDrag>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace {

void say(const QByteArray& line) {
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QByteArray png() {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t found = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

// Hands out a text/x-moz-url as browsers do, address and title. The toolkit's own X11 drag would serve that
// format as its first line only, so the requests for it are answered here, before the toolkit sees them.
class MozUrlServer : public QAbstractNativeEventFilter {
public:
    explicit MozUrlServer(QByteArray data) : data_(std::move(data)) {
        auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        connection_ = x11 ? x11->connection() : nullptr;
        if (connection_) {
            selection_ = atom(connection_, "XdndSelection");
            target_ = atom(connection_, "text/x-moz-url");
        }
    }
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (!connection_ || type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_SELECTION_REQUEST)
            return false;
        const auto* request = static_cast<xcb_selection_request_event_t*>(message);
        if (request->selection != selection_ || request->target != target_)
            return false;
        const xcb_atom_t property = request->property ? request->property : request->target;
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request->requestor, property, target_, 8,
                            static_cast<uint32_t>(data_.size()), data_.constData());
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request->time;
        notify.requestor = request->requestor;
        notify.selection = request->selection;
        notify.target = request->target;
        notify.property = property;
        xcb_send_event(connection_, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&notify));
        xcb_flush(connection_);
        return true;
    }

private:
    QByteArray data_;
    xcb_connection_t* connection_ = nullptr;
    xcb_atom_t selection_ = 0;
    xcb_atom_t target_ = 0;
};

class Source : public QWidget {
public:
    explicit Source(QList<std::pair<QString, QByteArray>> formats) : formats_(std::move(formats)) {
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        setFixedSize(80, 60);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::darkGreen); }
    void mousePressEvent(QMouseEvent*) override {
        if (started_)
            return;
        started_ = true;
        auto* data = new QMimeData;
        for (const auto& [format, bytes] : formats_)
            data->setData(format, bytes);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        QObject::connect(drag, &QDrag::actionChanged, this,
                         [](Qt::DropAction action) { say("action " + QByteArray::number(int(action))); });
        const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
        say("result " + QByteArray::number(int(result)));
        // The drag is over for this side, but the target fetches the dropped data only now: the program stays
        // to hand it out until it is ended (or for half a minute).
        QTimer::singleShot(30000, qApp, &QApplication::quit);
    }

private:
    QList<std::pair<QString, QByteArray>> formats_;
    bool started_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QList<std::pair<QString, QByteArray>> formats;
    QPoint at(100, 100);
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--at") && i + 1 < args.size()) {
            const QStringList xy = args[++i].split(u',');
            at = QPoint(xy.value(0).toInt(), xy.value(1).toInt());
        } else if (arg == QLatin1String("--uri-list") && i + 1 < args.size()) {
            formats.append({QStringLiteral("text/uri-list"), args[++i].toUtf8() + "\r\n"});
        } else if (arg == QLatin1String("--moz-url") && i + 2 < args.size()) {
            const QString address = args[++i];
            const QString title = args[++i];
            formats.append({QStringLiteral("text/x-moz-url"), utf16le(address + u'\n' + title)});
        } else if (arg == QLatin1String("--netscape-url") && i + 2 < args.size()) {
            const QString address = args[++i];
            const QString title = args[++i];
            formats.append({QStringLiteral("_NETSCAPE_URL"), (address + u'\n' + title).toUtf8()});
        } else if (arg == QLatin1String("--text") && i + 1 < args.size()) {
            formats.append({QStringLiteral("text/plain"), args[++i].toUtf8()});
        } else if (arg == QLatin1String("--png")) {
            formats.append({QStringLiteral("image/png"), png()});
        } else {
            std::fprintf(stderr, "brimvel_dragsource: unknown argument %s\n", qPrintable(arg));
            return 2;
        }
    }
    std::unique_ptr<MozUrlServer> mozUrl;
    for (const auto& [format, bytes] : formats) {
        if (format == QLatin1String("text/x-moz-url")) {
            mozUrl = std::make_unique<MozUrlServer>(bytes);
            app.installNativeEventFilter(mozUrl.get());
        }
    }
    Source source(formats);
    source.move(at);
    source.show();
    QTimer::singleShot(200, &source, [] { say("ready"); });
    return app.exec();
}
