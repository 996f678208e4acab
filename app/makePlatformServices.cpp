// SPDX-License-Identifier: MIT
// The one place that picks the platform's implementations.

#include "../platform/Services.h"

#include "../core/FileSettingsBackend.h"
#include "../platform/qt/DesktopShell.h"

#ifdef BRIMVEL_X11
#include "../forms/Runtime.h"
#include "../platform/qt/QtSoundOutput.h"
#include "../platform/x11/X11Instances.h"
#include "../platform/x11/X11KeyProbe.h"
#include "../platform/x11/X11WindowStacking.h"

#include <QGuiApplication>
#include <X11/Xlib.h>
#endif

#include "../platform/null/NullInstances.h"
#include "../platform/null/NullKeyProbe.h"
#include "../platform/null/NullSoundOutput.h"
#include "../platform/null/NullWindowStacking.h"

Services makePlatformServices() {
    Services services;
    services.settings = std::make_unique<FileSettingsBackend>();
    services.shell = std::make_unique<DesktopShell>();
#ifdef BRIMVEL_X11
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->display()) {
        Display* display = x11->display();
        Runtime::flushHook() = [display] { XFlush(display); };
        services.sound = std::make_unique<QtSoundOutput>();
        services.stacking = std::make_unique<X11WindowStacking>();
        services.keys = std::make_unique<X11KeyProbe>();
        services.instances = std::make_unique<X11Instances>();
        return services;
    }
#endif
    services.sound = std::make_unique<NullSoundOutput>();
    services.stacking = std::make_unique<NullWindowStacking>();
    services.keys = std::make_unique<NullKeyProbe>();
    services.instances = std::make_unique<NullInstances>();
    return services;
}
