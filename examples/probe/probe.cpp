// ombrix-probe [file]: opens a media file (a generated sample clip when none
// is given) with the default renderers and prints its duration, its video
// size and the filters of the graph.
#include <cstdio>
#include <string>

#include "media.h"
#include "ombrix.h"
#include "player/player.h"

int main(int argc, char** argv)
{
    std::string file;
    if (argc > 1) {
        file = argv[1];
    } else {
        file = media::scratchDir() + "sample.avi";
        media::Clip clip;
        clip.width = 320, clip.height = 240, clip.frames = 125, clip.audio = true;
        media::writeAvi(file, clip);
    }
    omb_Init();
    int result = omb_Open(file.c_str(), OpenMode_DefaultRenderers, 0, 0, 0);
    std::printf("omb_Open(\"%s\") = %d\n", file.c_str(), result);
    if (result != 0) {
        omb_Exit();
        return 1;
    }
    ombrix::Player& p = ombrix::player();
    IMediaPosition* position = nullptr;
    double duration = -1;
    if (SUCCEEDED(p.graph->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&position)))) {
        position->get_Duration(&duration);
        position->Release();
    }
    IBasicVideo* video = nullptr;
    long width = 0, height = 0;
    if (SUCCEEDED(p.graph->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(&video)))) {
        video->GetVideoSize(&width, &height);
        video->Release();
    }
    std::printf("duration %.2f s, video %ldx%ld\n", duration, width, height);
    omb_Close();
    omb_Exit();
    return 0;
}
