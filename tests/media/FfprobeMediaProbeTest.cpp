// What a clip holds, read from ffprobe's report: the report's lines as ffprobe 5.1 prints them for
// the probe's question, packets first.
#include "media/FfprobeMediaProbe.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ErrorMessage.h"

namespace twinlens {
namespace {

// Packet times of the video (stream 0) and the sound (stream 1), `frames` of them spaced by
// `spacing` seconds, the ones from `gapFrom` to `gapTo` missing.
std::string packets(int frames, double spacing, int gapFrom = -1, int gapTo = -1) {
  std::string text;
  for (int i = 0; i < frames; ++i) {
    if (i >= gapFrom && i <= gapTo) continue;
    text += "stream_index=0\npts_time=" + std::to_string(i * spacing) + "\n";
    text += "stream_index=1\npts_time=" + std::to_string(i * spacing + 0.003) + "\n";
  }
  return text;
}

std::string videoStream(const std::string& more) {
  return "index=0\ncodec_type=video\nwidth=1920\nheight=1080\nsample_aspect_ratio=1:1\n"
         "pix_fmt=yuv420p\nfield_order=progressive\ncolor_transfer=unknown\n"
         "r_frame_rate=25/1\navg_frame_rate=25/1\nbits_per_raw_sample=N/A\n" +
         more;
}

const std::string kSound = "index=1\ncodec_type=audio\nsample_rate=48000\nr_frame_rate=0/0\n";

TEST(FfprobeMediaProbe, ReadsEverythingTheRunComparesFromTheReport) {
  struct Case {
    const char* title;
    std::string report;
    MediaInfo expected;
  };
  MediaInfo plain{{25, 1}, 40, true, 48000, false, 1920, 1080};
  plain.scan = MediaInfo::Scan::Progressive;
  plain.bitDepth = 8;
  plain.pixelFormat = "yuv420p";
  MediaInfo uneven = plain;
  uneven.variableRate = true;
  uneven.frames = 40;  // 35 frames over 1.56 s, at 25 frames a second
  MediaInfo turned = plain;
  turned.width = 1080, turned.height = 1920, turned.rotation = 270;
  MediaInfo hdv = plain;
  hdv.width = 1440, hdv.pixelAspect = {4, 3}, hdv.scan = MediaInfo::Scan::BottomFirst;
  hdv.bitDepth = 10, hdv.pixelFormat = "yuv420p10le", hdv.transfer = "smpte2084",
  hdv.primaries = "bt2020", hdv.matrix = "bt2020nc";
  hdv.hasAudio = false, hdv.sampleRate = 0;
  MediaInfo vr180 = plain;
  vr180.stereoTagged = true;
  vr180.stereoLayout = MediaInfo::StereoLayout::TopBottom;
  vr180.sphere = MediaInfo::Sphere::Half;
  const Case cases[] = {
      {"EvenFrames", packets(40, 0.04) + videoStream("nb_read_packets=40\n") + kSound, plain},
      {"FramesMissingInTheMiddle",
       packets(40, 0.04, 10, 14) + videoStream("nb_read_packets=35\n") + kSound, uneven},
      {"TurnedAQuarter",
       videoStream("nb_read_packets=40\nside_data_type=Display Matrix\ndisplaymatrix=\n"
                   "00000000:            0       65536           0\nrotation=-90\n") +
           kSound,
       turned},
      {"WidePixelsInterlacedHdr",
       "index=0\ncodec_type=video\nwidth=1440\nheight=1080\nsample_aspect_ratio=4:3\n"
       "pix_fmt=yuv420p10le\nfield_order=tb\ncolor_space=bt2020nc\ncolor_transfer=smpte2084\n"
       "color_primaries=bt2020\nr_frame_rate=25/1\navg_frame_rate=25/1\nnb_read_packets=40\n",
       hdv},
      {"TaggedVr180OverUnder",
       videoStream("nb_read_packets=40\nside_data_type=Stereo 3D\ntype=top and bottom\n"
                   "side_data_type=Spherical Mapping\nprojection=tiled equirectangular\n") +
           kSound,
       vr180},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FfprobeMediaProbe::parseReport("clip.mp4", c.report), c.expected) << c.title;
  }
}

TEST(FfprobeMediaProbe, AReportWithoutVideoIsRefused) {
  EXPECT_EQ(test::messageOf([] { FfprobeMediaProbe::parseReport("song.wav", kSound); }),
            "Cannot convert \"song.wav\" with ffmpeg: it holds no video");
}

}  // namespace
}  // namespace twinlens
