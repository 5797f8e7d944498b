#include "handoff/FilterGraphBuilder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <utility>

#include "engine/Choices.h"
#include "engine/Error.h"
#include "engine/IntegerText.h"
#include "engine/ScriptLines.h"
#include "handoff/FilterGraph.h"

// GCC 12 at -O3 (the Windows build) takes "text" + std::string(...) for an overlapping copy
// (its bug 105329); the lines are built that way throughout this file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace twinlens {

namespace {

using S = ConversionSettings;
using Stream = FilterGraph::Stream;

constexpr int kBlendFrames = 1;
constexpr int kTimeLapse = 2;
constexpr int kChangePitch = 1;
constexpr const char* kLanczos4 = ":flags=lanczos:param0=4";
// The stabiliser works on planar pictures only (packed RGB stops ffmpeg).
constexpr const char* kStabilisableFormats = "format=pix_fmts=yuv420p|yuv422p|yuv444p|gray";

std::string str(std::int64_t number) {
  return std::to_string(number);
}

// Every frame numbered from 0 at the given rate: what AviSynth's frame-based clips are.
std::string retime(Rational rate) {
  return "settb=" + Rational::of(rate.den, rate.num).text() + ",setpts=N";
}

// The sample at the start of a frame.
std::int64_t sampleAt(std::int64_t frame, Rational rate, int sampleRate) {
  const std::int64_t numerator = frame * sampleRate * rate.den;
  return (numerator + rate.num / 2) / rate.num;
}

std::string audioFrom(std::int64_t firstSample) {
  return "atrim=start_sample=" + str(firstSample) + ",asetpts=PTS-STARTPTS";
}

// One view as the graph carries it on.
struct ViewStream {
  View view;
  Stream video;
  Rational rate;
  std::int64_t frames = 0;
};

// One view's sound: the view it comes from and its sample rate.
struct SoundStream {
  Stream audio;
  int sampleRate = 0;
};

// How many frames of `frames` the frame selection keeps at `offset` of every `cycle`.
std::int64_t framesAtOffset(std::int64_t frames, int cycle, int offset) {
  return frames > offset ? (frames - offset + cycle - 1) / cycle : 0;
}

class GraphComposer {
 public:
  GraphComposer(const S& s, const ClipNames& clip, const MediaInfo& left, const MediaInfo& right,
                std::string transforms, std::string colourTables)
      : s_(s),
        clip_(clip),
        transforms_(std::move(transforms)),
        colourTables_(std::move(colourTables)) {
    pictures_ = s.RadioGroup_Import_Options == choices::kImportPictures;
    twoInputs_ = s.RadioGroup_Input_Format == choices::kInputSeparate;
    media_[0] = pictures_ ? pictureMedia(clip.leftPictures) : left;
    media_[1] = pictures_ ? pictureMedia(twoInputs_ ? clip.rightPictures : clip.leftPictures)
                          : (twoInputs_ ? right : left);
    offset_ = s.Edit_Offset.empty() ? 0 : toInteger(s.Edit_Offset);
    audioCut_ = toInteger(s.Edit_Audio_Frames_Cut);
    blendTl_ = s.RadioGroup_Blend_TL == kBlendFrames || s.RadioGroup_Blend_TL == kTimeLapse
                   ? s.RadioGroup_Blend_TL
                   : 0;
    blendLevel_ = std::clamp(s.ComboBox_Blend, 0, 6);
  }

  // The inputs of the ffmpeg command, in input order.
  std::vector<FfmpegClipJob::Input> inputs() const {
    std::vector<FfmpegClipJob::Input> inputs;
    auto add = [&](const std::string& file, const PictureSequence& pictures) {
      if (!pictures_) {
        inputs.push_back({{}, file});
        return;
      }
      inputs.push_back({{"-framerate", pictureRate().text(), "-start_number", str(pictures.first)},
                        pictures.pattern});
    };
    add(clip_.leftFile, clip_.leftPictures);
    if (twoInputs_) add(clip_.rightFile, clip_.rightPictures);
    return inputs;
  }

  // The graph that encodes the clip.
  TextFile encodeGraph(std::vector<FfmpegClipJob::Output>& outputs) {
    const int format = s_.RadioGroup_Output_Format;
    const bool reverse = s_.CheckBox_Reverse_LR;
    // The views each output shows, the first of a layout being the one whose sound it keeps.
    std::vector<std::vector<View>> shown;
    switch (format) {
      case choices::kOutputSeparate:
        shown = {{reverse ? View::Right : View::Left}, {reverse ? View::Left : View::Right}};
        break;
      case choices::kOutputMono:
        shown = {{reverse ? View::Right : View::Left}};
        break;
      case choices::kOutputInterlaced:
        // The right view is the first field, as in Interleave(b,a).
        shown = {reverse ? std::vector{View::Left, View::Right}
                         : std::vector{View::Right, View::Left}};
        break;
      default:
        shown = {reverse ? std::vector{View::Right, View::Left}
                         : std::vector{View::Left, View::Right}};
        break;
    }
    const bool layout = shown.front().size() == 2;

    // Which views are needed, for their pictures and for their sound.
    int videoUses[2] = {0, 0};
    for (const auto& views : shown) {
      for (const View view : views) ++videoUses[index(view)];
    }
    std::vector<std::optional<View>> soundOf;
    int soundUses[2] = {0, 0};
    for (const auto& views : shown) {
      std::optional<View> sound = soundSource(views.front(), layout);
      if (sound && !media_[index(*sound)].hasAudio) sound.reset();
      if (sound) ++soundUses[index(*sound)];
      soundOf.push_back(sound);
    }

    std::vector<Stream> videoSources[2];
    std::vector<Stream> audioSources[2];
    sources(videoUses, soundUses, videoSources, audioSources);

    std::vector<ViewStream> done[2];
    for (int v = 0; v < 2; ++v) {
      for (Stream& source : videoSources[v]) {
        ViewStream stream{v == 0 ? View::Left : View::Right, std::move(source), {}, 0};
        viewSteps(stream);
        stabilise(stream);
        done[v].push_back(std::move(stream));
      }
    }
    std::vector<SoundStream> sounds[2];
    for (int v = 0; v < 2; ++v) {
      for (Stream& source : audioSources[v]) {
        sounds[v].push_back(soundSteps(v == 0 ? View::Left : View::Right, std::move(source)));
      }
    }

    for (std::size_t i = 0; i < shown.size(); ++i) {
      const std::vector<View>& views = shown[i];
      ViewStream first = take(done[index(views.front())]);
      const Rational rate = first.rate;
      std::optional<SoundStream> sound;
      if (soundOf[i]) sound = take(sounds[index(*soundOf[i])]);
      if (sound) soundTail(*sound, views.front());
      Stream picture = layout ? assemble(std::move(first), take(done[index(views.back())]))
                              : std::move(first.video);
      const std::string colour = colourFormat();
      if (!colour.empty()) picture.then("format=" + colour);

      FfmpegClipJob::Output output;
      output.frameRate = rate;
      output.video = "v" + str(static_cast<std::int64_t>(i));
      graph_.output(std::move(picture), output.video);
      if (sound) {
        output.audio = "a" + str(static_cast<std::int64_t>(i));
        graph_.output(std::move(sound->audio), output.audio);
      }
      output.stereoMode = stereoMode(media_[0].stereoTagged || media_[1].stereoTagged);
      outputs.push_back(std::move(output));
    }
    return graph_.text();
  }

  // The graph of the motion analysis: the left view up to where it is stabilised.
  TextFile analysisGraph() {
    int videoUses[2] = {1, 0};
    int soundUses[2] = {0, 0};
    std::vector<Stream> videoSources[2];
    std::vector<Stream> audioSources[2];
    sources(videoUses, soundUses, videoSources, audioSources);
    ViewStream left{View::Left, std::move(videoSources[0].front()), {}, 0};
    viewSteps(left);
    left.video.then(kStabilisableFormats);
    left.video.then("vidstabdetect=result=" + FilterGraph::value(transforms_));
    graph_.output(std::move(left.video), "vs");
    return graph_.text();
  }

 private:
  static int index(View view) { return view == View::Left ? 0 : 1; }

  template <typename T>
  static T take(std::vector<T>& from) {
    T item = std::move(from.back());
    from.pop_back();
    return item;
  }

  Rational pictureRate() const {
    const auto rate = Rational::parse(s_.Edit_import_picture_FR);
    if (!rate) throw Error("'" + s_.Edit_import_picture_FR + "' is not a valid frame rate");
    return *rate;
  }

  MediaInfo pictureMedia(const PictureSequence& pictures) const {
    MediaInfo info;
    info.frameRate = pictureRate();
    info.frames = pictures.last - pictures.first + 1;
    return info;
  }

  // The view whose sound goes with a view: blending and time-lapse dub in the left view's sound
  // (where the left view is in the script) or the right view's ("Use R audio").
  std::optional<View> soundSource(View view, bool layout) const {
    if (blendTl_ == 0) return view;
    if (s_.CheckBox_Blend_RightSound) return View::Right;
    return layout ? View::Left : view;
  }

  // The input pads, each split as often as it is used.
  void sources(const int videoUses[2], const int soundUses[2], std::vector<Stream> video[2],
               std::vector<Stream> audio[2]) {
    auto provide = [&](const std::string& pad, bool isAudio, int uses, std::vector<Stream>& out) {
      if (uses == 0) return;
      Stream stream = FilterGraph::input(pad, isAudio);
      if (uses == 1) {
        out.push_back(std::move(stream));
      } else {
        out = graph_.split(std::move(stream), uses);
      }
    };
    if (twoInputs_) {
      for (int v = 0; v < 2; ++v) {
        provide("[" + str(v) + ":v:0]", false, videoUses[v], video[v]);
        provide("[" + str(v) + ":a:0]", true, soundUses[v], audio[v]);
      }
      return;
    }
    // One file holds both views and one sound.
    std::vector<Stream> pictures;
    provide("[0:v:0]", false, videoUses[0] + videoUses[1], pictures);
    for (int v = 0; v < 2; ++v) {
      for (int i = 0; i < videoUses[v]; ++i) video[v].push_back(take(pictures));
    }
    std::vector<Stream> sounds;
    provide("[0:a:0]", true, soundUses[0] + soundUses[1], sounds);
    for (int v = 0; v < 2; ++v) {
      for (int i = 0; i < soundUses[v]; ++i) audio[v].push_back(take(sounds));
    }
  }

  // Frames kept by the time shift: a positive offset advances the right view and ends the left
  // view as many frames early.
  std::pair<std::int64_t, std::int64_t> shiftWindow(View view, std::int64_t frames) const {
    std::int64_t first = 0;
    std::int64_t end = frames;
    const bool left = view == View::Left;
    if (offset_ > 0 && left) end = frames - offset_;
    if (offset_ > 0 && !left) first = offset_;
    if (offset_ < 0 && left) first = -offset_;
    if (offset_ < 0 && !left) end = frames + offset_;
    if (end <= first) {
      const std::string& file = left ? clip_.leftFile : clip_.rightFile;
      throw Error("The offset of " + str(offset_) + " frames leaves nothing of \"" + file + "\"");
    }
    return {first, end};
  }

  void viewSteps(ViewStream& st) {
    const MediaInfo& media = media_[index(st.view)];
    Stream& video = st.video;
    st.rate = media.frameRate;
    st.frames = media.frames;
    if (pictures_) video.then("trim=end_frame=" + str(st.frames));
    video.then(retime(st.rate));
    if (s_.CheckBox_Output_DI) video.then("bwdif=mode=send_frame:parity=auto:deint=all");

    const auto [first, end] = shiftWindow(st.view, st.frames);
    if (first > 0) video.then("trim=start_frame=" + str(first) + ",setpts=N");
    if (end < st.frames) video.then("trim=end_frame=" + str(end - first));
    st.frames = end - first;

    // Colour matching changes the view that is not the reference.
    const int match = s_.RadioGroup_Colour_Match;
    if ((match == 1 && st.view == View::Right) || (match == 2 && st.view == View::Left)) {
      video.then("lut1d=file=" + FilterGraph::value(colourTables_));
    }

    if (s_.CheckBox_Input_SF && !s_.CheckBox_Output_SF) {
      video.then("weave=first_field=top");
      st.rate = st.rate / Rational{2, 1};
      st.frames /= 2;
      video.then(retime(st.rate));
    } else if (!s_.CheckBox_Input_SF && s_.CheckBox_Output_SF) {
      video.then("setfield=tff,separatefields");
      st.rate = st.rate * Rational{2, 1};
      st.frames *= 2;
      video.then(retime(st.rate));
    }

    const std::int64_t blended = std::int64_t{2} << blendLevel_;
    const std::int64_t averaged = s_.CheckBox_180 ? blended / 2 : blended;
    if (blendTl_ == kBlendFrames && averaged > 1) {
      // Output frame k is the average of input frames k to k+N-1; the last frames repeat the
      // clip's last frame.
      video.then("tpad=stop=" + str(averaged - 1) + ":stop_mode=clone,tmix=frames=" +
                 str(averaged) + ",trim=start_frame=" + str(averaged - 1) + ",setpts=N");
    } else if (blendTl_ == kTimeLapse) {
      // Every N frames become one, the average of all of them, or of the first half with the
      // shutter; then the first frame is dropped, as Trim(1, fn) does.
      if (averaged > 1) {
        video.then("tpad=stop=" + str(averaged - 1) +
                   ":stop_mode=clone,tmix=frames=" + str(averaged));
      }
      video.then("select='eq(mod(n," + str(blended) + ")," + str(averaged - 1) + ")'");
      video.then(retime(st.rate));
      video.then("trim=start_frame=1,setpts=N");
      st.frames = (st.frames + blended - 1) / blended - 1;
    }
    lapsedFrames_[index(st.view)] = st.frames;

    const int width =
        s_.CheckBox_Input_HW ? (s_.CheckBox_Output_HW ? 2 : 4) : (s_.CheckBox_Output_HW ? 1 : 2);
    const int height =
        s_.CheckBox_Input_HH ? (s_.CheckBox_Output_HH ? 2 : 4) : (s_.CheckBox_Output_HH ? 1 : 2);
    if (width != 2 || height != 2) {
      video.then("scale=trunc(iw*" + str(width) + "/2):trunc(ih*" + str(height) + "/2)" +
                 kLanczos4);
    }
    const bool left = st.view == View::Left;
    if (s_.RadioGroup_Input_Format == choices::kInputSideBySide) {
      video.then(left ? "crop=iw-trunc(iw/2):ih:0:0" : "crop=iw-trunc(iw/2):ih:trunc(iw/2):0");
    } else if (s_.RadioGroup_Input_Format == choices::kInputOverUnder) {
      video.then(left ? "crop=iw:ih-trunc(ih/2):0:0" : "crop=iw:ih-trunc(ih/2):0:trunc(ih/2)");
    }
    if (left ? s_.CheckBox_HML : s_.CheckBox_HMR) video.then("hflip");
    if (left ? s_.CheckBox_VML : s_.CheckBox_VMR) video.then("vflip");
    if (s_.CheckBox_change_final_HV) {
      if (s_.Edit_Blur != "0") video.then("gblur=sigma=" + blurSigma());
      video.then("scale=" + FilterGraph::value(s_.Edit_final_H) + ":" +
                 FilterGraph::value(s_.Edit_final_V) + kLanczos4);
    }
    frameSelection(st);
  }

  // The spread of AviSynth's 3x3 blur: its kernel [a/4, 1-a/2, a/4] has the variance a/2.
  std::string blurSigma() const {
    double amount = 0;
    const std::string& text = s_.Edit_Blur;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), amount);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || amount < 0) {
      throw Error("'" + text + "' is not a valid blur amount for ffmpeg (a number from 0 up)");
    }
    char buffer[32];
    const auto [last, ignored] = std::to_chars(buffer, buffer + sizeof buffer,
                                               std::sqrt(amount / 2), std::chars_format::fixed, 4);
    return std::string(buffer, last);
  }

  bool repeats() const {
    return s_.RadioGroup_Repeat >= 1 &&
           s_.RadioGroup_Repeat < static_cast<int>(choices::kRepeatSelections.size());
  }

  // The rate the view has at the end: the chosen output rate, else the one it had before the
  // frames were repeated or skipped.
  Rational outputRate(View view) const {
    const int choice = s_.RadioGroup_FrameRates;
    if (choice == choices::kUserDefinedFrameRate) return Rational::of(s_.UserFrNum, s_.UserFrDen);
    if (choice >= 1 && choice < static_cast<int>(choices::kFrameRateValues.size())) {
      const auto& rate = choices::kFrameRateValues[static_cast<std::size_t>(choice)];
      return Rational::of(rate.num, rate.den);
    }
    return rateBeforeTail_[index(view)];
  }

  // Repeat or skip (SelectEvery) and the output frame rate.
  void frameSelection(ViewStream& st) {
    rateBeforeTail_[index(st.view)] = st.rate;
    const Rational out = outputRate(st.view);
    if (!repeats()) {
      if (out != st.rate) st.video.then(retime(out));
      st.rate = out;
      return;
    }
    const auto& selection =
        choices::kRepeatSelections[static_cast<std::size_t>(s_.RadioGroup_Repeat)];
    const std::string tb = "settb=" + Rational::of(out.den, out.num).text();
    auto pick = [&](int offset) {
      return "select='eq(mod(n," + str(selection.cycle) + ")," + str(offset) + ")'";
    };
    std::int64_t frames = 0;
    if (selection.count == 1) {
      st.video.then(pick(selection.offsets[0]) + "," + tb + ",setpts=N");
      frames = framesAtOffset(st.frames, selection.cycle, selection.offsets[0]);
    } else {
      // Each place of the pattern takes its frame of every cycle, and the places are interleaved
      // by their times.
      std::vector<Stream> places = graph_.split(std::move(st.video), selection.count);
      for (int i = 0; i < selection.count; ++i) {
        const int offset = selection.offsets[static_cast<std::size_t>(i)];
        places[static_cast<std::size_t>(i)].then(pick(offset) + "," + tb + ",setpts=N*" +
                                                 str(selection.count) + "+" + str(i));
        frames += framesAtOffset(st.frames, selection.cycle, offset);
      }
      st.video = graph_.join(std::move(places), "interleave=nb_inputs=" + str(selection.count));
    }
    st.frames = frames;
    st.rate = out;
  }

  void stabilise(ViewStream& st) const {
    if (!s_.CheckBox_Deshake) return;
    // One static zoom for the whole clip, from the left view's motion: both views are zoomed
    // alike, so their disparity keeps its shape.
    st.video.then(kStabilisableFormats);
    st.video.then("vidstabtransform=input=" + FilterGraph::value(transforms_) + ":optzoom=1");
  }

  // The sound of a view up to the rate tail: time shift, audio cut, and what blending or
  // time-lapse does to it.
  SoundStream soundSteps(View view, Stream audio) const {
    const MediaInfo& media = media_[index(view)];
    SoundStream sound{std::move(audio), media.sampleRate};
    const Rational rate = media.frameRate;
    const int sr = media.sampleRate;
    sound.audio.then("asetpts=PTS-STARTPTS");
    const auto [first, end] = shiftWindow(view, media.frames);
    if (first > 0) sound.audio.then(audioFrom(sampleAt(first, rate, sr)));
    if (end < media.frames)
      sound.audio.then("atrim=end_sample=" + str(sampleAt(end - first, rate, sr)));
    if (audioCut_ > 0) {
      // trim(0,FrameCount()-n) keeps the sound of the first FrameCount()-n+1 frames.
      const std::int64_t kept = std::max<std::int64_t>(end - first - audioCut_ + 1, 0);
      sound.audio.then("atrim=end_sample=" + str(sampleAt(kept, rate, sr)));
    }
    return sound;
  }

  // What blending, time-lapse and the rate tail of the view it is dubbed into do to a sound.
  void soundTail(SoundStream& sound, View view) const {
    const Rational rate = rateBeforeTail_[index(view)];
    const int sr = sound.sampleRate;
    // The frame rate the view had before blending or time-lapse (the fields may change it).
    const Rational viewRate = rateAfterFields(view);
    const std::int64_t blended = std::int64_t{2} << blendLevel_;
    if (blendTl_ == kBlendFrames && blended / 2 > 1) {
      // The sound of c0<N/2>: the clip advanced by N/2-1 frames.
      sound.audio.then(audioFrom(sampleAt(blended / 2 - 1, viewRate, sr)));
    } else if (blendTl_ == kTimeLapse) {
      // The sound at its own speed, cut to the frames that Trim(1, fn) keeps.
      const std::int64_t frames = lapsedFrames_[index(view)];
      sound.audio.then("atrim=start_sample=" + str(sampleAt(1, viewRate, sr)) + ":end_sample=" +
                       str(sampleAt(frames + 1, viewRate, sr)) + ",asetpts=PTS-STARTPTS");
    }
    // AssumeFPS(..., true) changes the sound's speed with the picture's; "Change pitch" then
    // resamples it to the rate it had.
    Rational selected = rate;
    if (repeats()) {
      const auto& selection =
          choices::kRepeatSelections[static_cast<std::size_t>(s_.RadioGroup_Repeat)];
      selected = rate * Rational::of(selection.count, selection.cycle);
    }
    const Rational factor = outputRate(view) / selected;
    if (factor == Rational{1, 1}) return;
    const std::int64_t newRate = (sr * factor.num + factor.den / 2) / factor.den;
    sound.audio.then("asetrate=" + str(newRate));
    if (s_.RadioGroup_Pitch == kChangePitch) sound.audio.then("aresample=" + str(sr));
  }

  Rational rateAfterFields(View view) const {
    Rational rate = media_[index(view)].frameRate;
    if (s_.CheckBox_Input_SF && !s_.CheckBox_Output_SF) rate = rate / Rational{2, 1};
    if (!s_.CheckBox_Input_SF && s_.CheckBox_Output_SF) rate = rate * Rational{2, 1};
    return rate;
  }

  Stream assemble(ViewStream first, ViewStream second) {
    switch (s_.RadioGroup_Output_Format) {
      case choices::kOutputOverUnder:
        return graph_.join({std::move(first.video), std::move(second.video)}, "vstack=inputs=2");
      case choices::kOutputInterlaced: {
        // The first view is the first field of each frame, on the bottom lines as AviSynth's
        // field-based Weave puts it.
        const std::string tb = "settb=" + Rational::of(first.rate.den, first.rate.num * 2).text();
        first.video.then(tb + ",setpts=2*N");
        second.video.then(tb + ",setpts=2*N+1");
        Stream woven = graph_.join({std::move(first.video), std::move(second.video)},
                                   "interleave=nb_inputs=2");
        woven.then("weave=first_field=bottom");
        woven.then(retime(first.rate));
        return woven;
      }
      default:
        return graph_.join({std::move(first.video), std::move(second.video)}, "hstack=inputs=2");
    }
  }

  std::string colourFormat() const {
    switch (s_.ComboBox_Colour) {
      case 1:
        return "yuv420p";
      case 2:
        return "yuyv422";
      case 3:
        return "bgr24";
      case 4:
        return "bgra";
      default:
        return {};
    }
  }

  // The stereo layout tag of the output; an input's tag never survives into another layout.
  std::string stereoMode(bool inputTagged) const {
    const bool reverse = s_.CheckBox_Reverse_LR;
    switch (s_.RadioGroup_Output_Format) {
      case choices::kOutputSideBySide:
        return reverse ? "right_left" : "left_right";
      case choices::kOutputOverUnder:
        return reverse ? "bottom_top" : "top_bottom";
      case choices::kOutputInterlaced:
        return reverse ? "row_interleaved_rl" : "row_interleaved_lr";
      default:
        return inputTagged ? "mono" : "";
    }
  }

  const S& s_;
  const ClipNames& clip_;
  std::string transforms_;
  std::string colourTables_;
  bool pictures_ = false;
  bool twoInputs_ = false;
  MediaInfo media_[2];
  std::int64_t offset_ = 0;
  std::int64_t audioCut_ = 0;
  int blendTl_ = 0;
  int blendLevel_ = 0;
  Rational rateBeforeTail_[2] = {{25, 1}, {25, 1}};
  std::int64_t lapsedFrames_[2] = {0, 0};
  FilterGraph graph_;
};

}  // namespace

FilterGraphBuilder::FilterGraphBuilder(const ConversionSettings& settings, PathStyle style)
    : settings_(settings), style_(style) {}

std::vector<PlannedScript> FilterGraphBuilder::plan(const ClipNames& clip) const {
  const std::string stem = paths::noext(clip.primaryScript, style_);
  std::vector<PlannedScript> scripts;
  if (settings_.CheckBox_Deshake) {
    scripts.push_back(
        {paths::dir(stem, style_) + "Deshake_1_" + paths::name(stem, style_) + kGraphExtension,
         ScriptBody::LeftPass1});
  }
  scripts.push_back({stem + kGraphExtension, ScriptBody::Layout});
  return scripts;
}

FfmpegClipJob FilterGraphBuilder::build(const ClipNames& clip, const MediaInfo& left,
                                        const MediaInfo& right) const {
  FfmpegClipJob job;
  const std::vector<PlannedScript> files = plan(clip);
  const std::string stem = paths::name(paths::noext(clip.primaryScript, style_), style_);
  std::string tables;
  if (settings_.RadioGroup_Colour_Match == 1 || settings_.RadioGroup_Colour_Match == 2) {
    tables = stem + ".cube";
    const int format = settings_.RadioGroup_Input_Format;
    FfmpegClipJob::ColourMatch match;
    match.reference = settings_.RadioGroup_Colour_Match == 1 ? "left" : "right";
    match.views = format == choices::kInputSideBySide  ? "side-by-side"
                  : format == choices::kInputOverUnder ? "over-under"
                                                       : "pair";
    match.files = {clip.leftFile};
    if (match.views == "pair") match.files.push_back(clip.rightFile);
    match.tables = tables;
    job.colourMatch = std::move(match);
  }
  if (settings_.CheckBox_Deshake) {
    job.transforms = stem + ".trf";
    job.analysisGraphPath = files.front().path;
    job.analysisGraph =
        GraphComposer(settings_, clip, left, right, job.transforms, tables).analysisGraph();
  }
  GraphComposer composer(settings_, clip, left, right, job.transforms, tables);
  job.inputs = composer.inputs();
  job.graphPath = files.back().path;
  job.graph = composer.encodeGraph(job.outputs);
  return job;
}

}  // namespace twinlens
