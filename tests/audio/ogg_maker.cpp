// Writes tones as OGG Vorbis files with libvorbisenc, for the sound tests.
#include "ogg_maker.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

void writePage(std::FILE* f, const ogg_page& page) {
    std::fwrite(page.header, 1, static_cast<std::size_t>(page.header_len), f);
    std::fwrite(page.body, 1, static_cast<std::size_t>(page.body_len), f);
}

}  // namespace

bool writeOggTone(const std::string& path, int rate, int channels, double seconds, double hz, double amplitude) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, 0.5f) != 0) {
        vorbis_info_clear(&vi);
        std::fclose(f);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 12345);
    ogg_packet header, comments, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0) writePage(f, page);

    const long total = std::lround(seconds * rate);
    const double pi = 3.14159265358979323846;
    long done = 0;
    bool ended = false;
    while (!ended) {
        const long block = std::min(1024L, total - done);
        if (block > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(block));
            for (long i = 0; i < block; ++i) {
                const float v = static_cast<float>(amplitude * std::sin(2.0 * pi * hz * (done + i) / rate));
                for (int c = 0; c < channels; ++c) buffer[c][i] = v;
            }
            vorbis_analysis_wrote(&vd, static_cast<int>(block));
            done += block;
        } else {
            vorbis_analysis_wrote(&vd, 0);  // end of stream
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet) != 0) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    writePage(f, page);
                    if (ogg_page_eos(&page) != 0) ended = true;
                }
            }
        }
        if (block <= 0 && !ended) {
            while (ogg_stream_flush(&os, &page) != 0) writePage(f, page);
            ended = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return std::fclose(f) == 0;
}
