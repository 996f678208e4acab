// SPDX-License-Identifier: MIT
#include "X11Tree.h"

#include <algorithm>
#include <climits>

namespace X11Tree {

std::vector<Window> children(Display* display, Window parent) {
    Window root = 0;
    Window parentOfParent = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, parent, &root, &parentOfParent, &list, &count) && list)
        result.assign(list, list + count);
    if (list)
        XFree(list);
    return result;
}

std::vector<Window> allWindows(Display* display) {
    std::vector<Window> found;
    std::vector<Window> pending{DefaultRootWindow(display)};
    while (!pending.empty()) {
        const Window parent = pending.back();
        pending.pop_back();
        for (Window child : children(display, parent)) {
            found.push_back(child);
            pending.push_back(child);
        }
    }
    return found;
}

Window topLevelOf(Display* display, Window window) {
    while (window) {
        Window root = 0;
        Window parent = 0;
        Window* list = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &list, &count))
            return 0;
        if (list)
            XFree(list);
        if (parent == root || parent == 0)
            return window;
        window = parent;
    }
    return 0;
}

std::optional<QByteArray> property(Display* display, Window window, Atom name, Atom type, int format,
                                   long maxItems) {
    Atom actualType = 0;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::optional<QByteArray> result;
    // The length is counted in 32-bit units whatever the format, and travels as 32 bits.
    const long length = std::min<long>(format == 32 ? maxItems : maxItems / (32 / format) + 1, INT_MAX / 4);
    if (XGetWindowProperty(display, window, name, 0, length, False, type, &actualType, &actualFormat, &count,
                           &remaining, &data) == Success &&
        actualType == type && actualFormat == format) {
        // The library hands 32-bit items over as longs.
        const qsizetype itemSize = format == 32 ? qsizetype(sizeof(long)) : format / 8;
        result = QByteArray(reinterpret_cast<const char*>(data), data ? qsizetype(count) * itemSize : 0);
    }
    if (data)
        XFree(data);
    return result;
}

std::optional<QString> text(Display* display, Window window, Atom name, Atom type) {
    const std::optional<QByteArray> bytes = property(display, window, name, type, 8, INT_MAX);
    if (!bytes)
        return std::nullopt;
    return QString::fromUtf8(*bytes);
}

std::vector<unsigned long> items(Display* display, Window window, Atom name, Atom type, long maxItems) {
    const std::optional<QByteArray> bytes = property(display, window, name, type, 32, maxItems);
    std::vector<unsigned long> result;
    if (!bytes)
        return result;
    const auto* first = reinterpret_cast<const unsigned long*>(bytes->constData());
    result.assign(first, first + bytes->size() / qsizetype(sizeof(unsigned long)));
    return result;
}

bool hasProperty(Display* display, Window window, Atom name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool found = XGetWindowProperty(display, window, name, 0, 0, False, AnyPropertyType, &type, &format,
                                          &count, &remaining, &data) == Success &&
                       type != None;
    if (data)
        XFree(data);
    return found;
}

} // namespace X11Tree
