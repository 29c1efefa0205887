#include "wine_media.h"

#include "media.h"

namespace testing {

const WineMedia& wineMedia()
{
    static const WineMedia m = [] {
        WineMedia w;
        w.dir = media::scratchDir();
        w.av = w.dir + "av.avi";
        w.video = w.dir + "video.avi";
        w.longVideo = w.dir + "long.avi";
        w.shortVideo = w.dir + "short.avi";
        w.wav = w.dir + "tone.wav";
        w.empty = w.dir + "empty.avi";
        w.truncated = w.dir + "truncated.avi";
        w.random = w.dir + "random.avi";
        w.missing = w.dir + "no such file.avi";
        media::Clip clip;
        clip.audio = true;
        media::writeAvi(w.av, clip);
        clip.audio = false;
        media::writeAvi(w.video, clip);
        clip.frames = 250;
        media::writeAvi(w.longVideo, clip);
        clip.frames = 4;
        media::writeAvi(w.shortVideo, clip);
        media::writeWav(w.wav, 2.0);
        media::writeEmpty(w.empty);
        media::writeTruncatedAvi(w.truncated, 100);
        media::writeRandom(w.random, 4096, 12345);
        return w;
    }();
    return m;
}

} // namespace testing
