#include "QtSoundOutput.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

QtSoundOutput::QtSoundOutput() = default;

QtSoundOutput::~QtSoundOutput() = default;

void QtSoundOutput::play(const QString& file) {
    if (current)
        current->stop();
    current = nullptr;

    // Checked on every call, not only when the cue is first loaded: a file deleted since stays silent.
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable())
        return;

    QSoundEffect* effect = effectFor(info.absoluteFilePath());
    current = effect;
    // Still loading: the status handler set up in effectFor() starts it once it is ready. A file that is
    // not a wave file ends in the Error status and stays silent.
    if (effect->status() == QSoundEffect::Ready)
        effect->play();
}

QSoundEffect* QtSoundOutput::effectFor(const QString& path) {
    Cue& cue = cues[path];
    cue.lastUse = ++useCount;
    if (!cue.effect) {
        cue.effect = std::make_unique<QSoundEffect>();
        QSoundEffect* effect = cue.effect.get();
        QObject::connect(effect, &QSoundEffect::statusChanged, effect, [this, effect] {
            if (effect == current && effect->status() == QSoundEffect::Ready && !effect->isPlaying())
                effect->play();
        });
        effect->setSource(QUrl::fromLocalFile(path));
        forgetLeastRecentlyUsed();
    }
    return cue.effect.get();
}

void QtSoundOutput::forgetLeastRecentlyUsed() {
    while (cues.size() > kCachedCues) {
        auto oldest = cues.end();
        for (auto it = cues.begin(); it != cues.end(); ++it) {
            if (it->second.effect.get() != current && (oldest == cues.end() || it->second.lastUse < oldest->second.lastUse))
                oldest = it;
        }
        if (oldest == cues.end())
            return;
        cues.erase(oldest);
    }
}
