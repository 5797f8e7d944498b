#include "engines/ffmpeg/FilterGraphBuilder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <utility>
#include <variant>

#include "base/DecimalText.h"
#include "base/Error.h"
#include "base/FilterText.h"
#include "base/Overloaded.h"
#include "engines/ffmpeg/FilterGraph.h"
#include "model/AlignWarp.h"

// GCC 12 at -O3 (the Windows build) takes "text" + std::string(...) for an overlapping copy
// (its bug 105329); the lines are built that way throughout this file.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace twinlens {

namespace {

using Stream = FilterGraph::Stream;
using namespace recipe;
constexpr const char* kLanczos4 = ":flags=lanczos:param0=4";
// The stabiliser works on planar pictures only (packed RGB stops ffmpeg).
constexpr const char* kStabilisableFormats = "format=pix_fmts=yuv420p|yuv422p|yuv444p|gray";

std::string str(std::int64_t number) {
  return std::to_string(number);
}

std::string decimal(double value) {
  return fixedText(value, 4);
}

// One resample of the view that aligns and converges it: its output's corners taken from where
// the rig's model puts them, at the view's size where the step stands.
std::string perspective(const Align& align, View view) {
  const AlignWarp warp(align, true);
  const double w = align.width;
  const double h = align.height;
  std::string filter = "perspective=";
  int corner = 0;
  for (const AlignWarp::Point output : {AlignWarp::Point{0, 0}, AlignWarp::Point{w, 0},
                                        AlignWarp::Point{0, h}, AlignWarp::Point{w, h}}) {
    const AlignWarp::Point at = warp.source(view, output);
    filter += "x" + str(corner) + "=" + decimal(at.x * align.stretchX) + ":y" + str(corner) + "=" +
              decimal(at.y * align.stretchY) + ":";
    ++corner;
  }
  return filter + "interpolation=cubic:sense=source";
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
  GraphComposer(const ClipRecipe& r, std::string transforms, std::string colourTables)
      : r_(r), transforms_(std::move(transforms)), colourTables_(std::move(colourTables)) {
    const ClipNames& clip = r.names;
    pictures_ = r.source == Source::Pictures;
    media_[0] = pictures_ ? pictureMedia(clip.leftPictures) : r.leftMedia.value_or(MediaInfo{});
    media_[1] = pictures_ ? pictureMedia(r.twoFiles() ? clip.rightPictures : clip.leftPictures)
                          : r.rightMedia.value_or(MediaInfo{});
    fileRate_[0] = media_[0].frameRate;
    fileRate_[1] = media_[1].frameRate;
    // The views are paired frame by frame: a right view that runs a little faster or slower
    // (the cameras' clocks drift apart) is timed at the left view's rate.
    if (r.twoFiles() && !pictures_) media_[1].frameRate = media_[0].frameRate;
    if (const auto* shift = r.find<TimeShift>(View::Left)) offset_ = shift->offset;
    if (const auto* cut = r.find<AudioCut>(View::Left)) audioCut_ = cut->frames;
    if (const auto* motion = r.find<Motion>(View::Left)) motion_ = *motion;
  }

  // A preview: the clip from the pair's frame `from` on (its inputs sought there), and of what
  // follows, frame `frame` of the primary output, or of the two views in a check mode.
  void seek(std::int64_t from, std::int64_t frame, PreviewLook look, bool sound) {
    preview_ = Preview{from, frame, look, sound};
    const auto firstOf = [&](View view) {
      return shiftWindow(view, media_[index(view)].frames).first;
    };
    if (r_.twoFiles()) {
      skip_[0] = from + firstOf(View::Left);
      skip_[1] = from + firstOf(View::Right);
    } else {
      skip_[0] = skip_[1] = from + std::min(firstOf(View::Left), firstOf(View::Right));
    }
  }

  // A sought input's frames from the one wanted on: its time is a quarter of a frame before the
  // seek's, the frames before it a frame and more (their times told from the seek's).
  static std::string seekedFrom(Rational rate) {
    return "select='gte(t," + fixedText(-0.75 / rate.value(), 6) + ")'";
  }

  // The inputs of the ffmpeg command, in input order.
  std::vector<FfmpegClipJob::Input> inputs() const {
    std::vector<FfmpegClipJob::Input> inputs;
    auto add = [&](int v, const std::string& file, const PictureSequence& pictures) {
      const std::int64_t skip = skip_[v];
      if (!pictures_) {
        std::vector<std::string> options;
        // A quarter of a frame late, so that a key frame at the frame wanted is where decoding
        // starts; the graph then drops what comes before the frame (seekedFrom()).
        if (skip > 0) {
          options = {"-noaccurate_seek", "-ss",
                     fixedText((static_cast<double>(skip) + 0.25) / fileRate_[v].value(), 6)};
        }
        inputs.push_back({std::move(options), file});
        return;
      }
      inputs.push_back(
          {{"-framerate", pictureRate().text(), "-start_number", str(pictures.first + skip)},
           pictures.pattern});
    };
    add(0, r_.names.leftFile, r_.names.leftPictures);
    if (r_.twoFiles()) add(1, r_.names.rightFile, r_.names.rightPictures);
    return inputs;
  }

  // The graph that encodes the clip.
  TextFile encodeGraph(std::vector<FfmpegClipJob::Output>& outputs) {
    if (r_.outputs.empty()) throw Error("No output format is chosen");
    const bool layout = r_.outputs.front().views.size() == 2;

    // Which views are needed, for their pictures and for their sound.
    int videoUses[2] = {0, 0};
    int soundUses[2] = {0, 0};
    for (const Output& output : r_.outputs) {
      for (const View view : output.views) ++videoUses[index(view)];
      if (output.sound && heard()) ++soundUses[index(*output.sound)];
      if (preview_) break;  // the primary output's picture alone
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

    const std::size_t made = preview_ ? 1 : r_.outputs.size();
    for (std::size_t i = 0; i < made; ++i) {
      const std::vector<View>& views = r_.outputs[i].views;
      ViewStream first = take(done[index(views.front())]);
      const Rational rate = first.rate;
      std::optional<SoundStream> sound;
      if (r_.outputs[i].sound && heard()) sound = take(sounds[index(*r_.outputs[i].sound)]);
      if (sound) soundTail(*sound, views.front());
      if (sound && preview_) previewSound(*sound, rate);
      std::int64_t frames = first.frames;
      Stream picture = [&] {
        if (!layout) return std::move(first.video);
        ViewStream second = take(done[index(views.back())]);
        frames = std::min(frames, second.frames);
        return assemble(std::move(first), std::move(second));
      }();
      const std::string colour = colourFormat();
      if (!colour.empty()) {
        picture.then("format=" + colour);
      } else if (preview_ && !media_[0].pixelFormat.empty()) {
        // The picture an encoder gets that takes the clip's own format (a lossless one), not
        // one converted for the picture file early on.
        picture.then("format=" + media_[0].pixelFormat);
      }
      if (preview_) previewTail(picture);

      FfmpegClipJob::Output output;
      output.frameRate = rate;
      output.frames = frames;
      output.video = "v" + str(static_cast<std::int64_t>(i));
      graph_.output(std::move(picture), output.video);
      if (sound) {
        output.audio = "a" + str(static_cast<std::int64_t>(i));
        graph_.output(std::move(sound->audio), output.audio);
      }
      output.stereoMode = FilterGraphBuilder::stereoModeName(r_.stereoTag);
      output.projection = r_.projection;
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
    left.video.then("vidstabdetect=result=" + filterValue(transforms_));
    graph_.output(std::move(left.video), "vs");
    return graph_.text();
  }

 private:
  static int index(View view) { return viewIndex(view); }

  template <typename T>
  static T take(std::vector<T>& from) {
    T item = std::move(from.back());
    from.pop_back();
    return item;
  }

  Rational pictureRate() const {
    const auto rate = Rational::parse(r_.pictureRate);
    if (!rate) throw Error("'" + r_.pictureRate + "' is not a valid frame rate");
    return *rate;
  }

  MediaInfo pictureMedia(const PictureSequence& pictures) const {
    MediaInfo info;
    info.frameRate = pictureRate();
    info.frames = pictures.last - pictures.first + 1;
    return info;
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
    if (r_.twoFiles()) {
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
      const std::string& file = left ? r_.names.leftFile : r_.names.rightFile;
      throw Error("The offset of " + str(offset_) + " frames leaves nothing of \"" + file + "\"");
    }
    return {first, end};
  }

  void viewSteps(ViewStream& st) {
    const MediaInfo& media = media_[index(st.view)];
    Stream& video = st.video;
    st.rate = media.frameRate;
    st.frames = media.frames;
    // A sought input starts `skip` frames into its file.
    const std::int64_t skip = skip_[r_.twoFiles() ? index(st.view) : 0];
    if (pictures_) video.then("trim=end_frame=" + str(st.frames - skip));
    if (skip > 0 && !pictures_)
      video.then(seekedFrom(fileRate_[r_.twoFiles() ? index(st.view) : 0]));
    if (const auto* even = r_.find<ConformRate>(st.view)) {
      // The frames' own times lay them on the even grid; from there on they are numbered.
      video.then("setpts=PTS-STARTPTS,fps=" + Rational::of(even->rate.num, even->rate.den).text());
    }
    video.then(retime(st.rate));
    // The source and the time shift come first; the frame selection and rate, and
    // stabilisation, last.
    if (r_.has<Deinterlace>(st.view)) video.then("bwdif=mode=send_frame:parity=auto:deint=all");

    const auto [first, end] = shiftWindow(st.view, st.frames);
    const std::int64_t from = first + (preview_ ? preview_->from : 0) - skip;
    const std::int64_t to = end - skip;
    if (to <= from) throw Error("it lies beyond the clip");
    if (from > 0) video.then("trim=start_frame=" + str(from) + ",setpts=N");
    if (to < st.frames - skip) video.then("trim=end_frame=" + str(to - from));
    st.frames = to - from;

    for (const Step& step : r_.of(st.view)) {
      std::visit(
          Overloaded{
              [&](const ConformSize& conform) {
                video.then("scale=" + str(conform.width) + ":" + str(conform.height) + kLanczos4 +
                           ",setsar=" + conform.pixelAspect.text());
              },
              [&](const ColourMatch&) { video.then("lut1d=file=" + filterValue(colourTables_)); },
              [&](const Fields& fields) { fieldSteps(st, fields); },
              [&](const Motion& motion) { motionSteps(st, motion); },
              [&](const SizeFactors& size) {
                video.then("scale=trunc(iw*" + str(size.width) + "/2):trunc(ih*" +
                           str(size.height) + "/2)" + kLanczos4);
                // Half-width and half-height pictures are packed, not reshaped: the pixels
                // keep the shape they had (the scaler would change it to keep the
                // picture's).
                if (size.width != size.height) {
                  video.then("setsar=sar*" + Rational::of(size.width, size.height).text());
                }
              },
              [&](const Split& split) {
                const bool left = st.view == View::Left;
                if (split.layout == InputLayout::SideBySide) {
                  video.then(left ? "crop=iw-trunc(iw/2):ih:0:0"
                                  : "crop=iw-trunc(iw/2):ih:trunc(iw/2):0");
                } else {
                  video.then(left ? "crop=iw:ih-trunc(ih/2):0:0"
                                  : "crop=iw:ih-trunc(ih/2):0:trunc(ih/2)");
                }
              },
              [&](const Align& align) { video.then(perspective(align, st.view)); },
              [&](const Reproject& reproject) { reprojected(video, reproject, media); },
              [&](const Mirror& mirror) {
                if (mirror.horizontal) video.then("hflip");
                if (mirror.vertical) video.then("vflip");
              },
              [&](const FinalSize& final) {
                if (final.blur) video.then("gblur=sigma=" + blurSigma(*final.blur));
                video.then("scale=" + filterValue(final.width) + ":" + filterValue(final.height) +
                           kLanczos4);
              },
              // Rendered where they stand apart: the even rate, the deinterlacer and the
              // time shift above, the sound's cut with the sound, the frame selection, the
              // rate and the stabilisation below.
              [](const ConformRate&) {}, [](const Deinterlace&) {}, [](const TimeShift&) {},
              [](const AudioCut&) {}, [](const FrameSelection&) {}, [](const RateChange&) {},
              [](const Stabilise&) {}},
          step);
    }
    frameSelection(st);
  }

  // The square around the lens's circle (the picture padded with black where the square reaches
  // past it), re-projected from the fisheye to half an equirectangular sphere or a flat window,
  // the eye turned in the same pass.
  static void reprojected(Stream& video, const Reproject& r, const MediaInfo& media) {
    const int margin = std::max(
        {0, -r.cropX, -r.cropY, r.cropX + r.side - media.width, r.cropY + r.side - media.height});
    if (margin > 0) {
      video.then("pad=iw+" + str(2 * margin) + ":ih+" + str(2 * margin) + ":" + str(margin) + ":" +
                 str(margin));
    }
    video.then("crop=" + str(r.side) + ":" + str(r.side) + ":" + str(r.cropX + margin) + ":" +
               str(r.cropY + margin));
    const std::string fov = decimal(r.lensFovDeg);
    std::string output = ":output=hequirect";
    if (r.windowFovDeg > 0) {
      output =
          ":output=flat:h_fov=" + decimal(r.windowFovDeg) + ":v_fov=" + decimal(r.windowHeightDeg);
    }
    std::string turned;
    for (const auto& [name, degrees] :
         {std::pair{":yaw=", r.yawDeg}, {":pitch=", r.pitchDeg}, {":roll=", r.rollDeg}}) {
      if (degrees != 0) turned += name + decimal(degrees);
    }
    video.then("v360=input=fisheye:ih_fov=" + fov + ":iv_fov=" + fov + output +
               ":w=" + str(r.width) + ":h=" + str(r.height) + turned + ":interp=cubic");
  }

  void fieldSteps(ViewStream& st, const Fields& fields) const {
    if (fields.change == Fields::Change::WeaveInput) {
      st.video.then("weave=first_field=top");
      st.rate = st.rate / Rational{2, 1};
      st.frames /= 2;
    } else {
      st.video.then("setfield=tff,separatefields");
      st.rate = st.rate * Rational{2, 1};
      st.frames *= 2;
    }
    st.video.then(retime(st.rate));
  }

  void motionSteps(ViewStream& st, const Motion& motion) {
    const std::int64_t blended = motion.frames();
    const std::int64_t averaged = motion.averaged();
    if (motion.kind == Motion::Kind::Blend) {
      // Output frame k is the average of input frames k to k+N-1; the last frames repeat the
      // clip's last frame.
      if (averaged > 1) {
        st.video.then("tpad=stop=" + str(averaged - 1) + ":stop_mode=clone,tmix=frames=" +
                      str(averaged) + ",trim=start_frame=" + str(averaged - 1) + ",setpts=N");
      }
      return;
    }
    // Every N frames become one, the average of all of them, or of the first half with the
    // shutter; then the first frame is dropped, as Trim(1, fn) does.
    if (averaged > 1) {
      st.video.then("tpad=stop=" + str(averaged - 1) +
                    ":stop_mode=clone,tmix=frames=" + str(averaged));
    }
    st.video.then("select='eq(mod(n," + str(blended) + ")," + str(averaged - 1) + ")'");
    st.video.then(retime(st.rate));
    st.video.then("trim=start_frame=1,setpts=N");
    st.frames = (st.frames + blended - 1) / blended - 1;
    lapsedFrames_[index(st.view)] = st.frames;
  }

  // The spread of AviSynth's 3x3 blur: its kernel [a/4, 1-a/2, a/4] has the variance a/2.
  static std::string blurSigma(const std::string& text) {
    double amount = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), amount);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || amount < 0) {
      throw Error("'" + text + "' is not a valid blur amount for ffmpeg (a number from 0 up)");
    }
    char buffer[32];
    const auto [last, ignored] = std::to_chars(buffer, buffer + sizeof buffer,
                                               std::sqrt(amount / 2), std::chars_format::fixed, 4);
    return std::string(buffer, last);
  }

  // Repeat or skip (SelectEvery) and the output frame rate: the chosen one, the one the view had
  // before the selection ("No change"), or the selection's own.
  void frameSelection(ViewStream& st) {
    const View view = st.view;
    const FrameSelection* selection = r_.find<FrameSelection>(view);
    const RateChange* change = r_.find<RateChange>(view);
    rateBeforeTail_[index(view)] = st.rate;
    selectedRate_[index(view)] =
        selection ? st.rate * Rational::of(selection->pattern.count, selection->pattern.cycle)
                  : st.rate;
    Rational out = selectedRate_[index(view)];
    if (change != nullptr && change->rate) {
      out = Rational::of(change->rate->num, change->rate->den);
    } else if (change != nullptr && change->restore) {
      out = st.rate;
    }
    outputRate_[index(view)] = out;
    if (selection == nullptr) {
      if (out != st.rate) st.video.then(retime(out));
      st.rate = out;
      return;
    }
    const choices::FrameSelection& pattern = selection->pattern;
    const std::string tb = "settb=" + Rational::of(out.den, out.num).text();
    auto pick = [&](int offset) {
      return "select='eq(mod(n," + str(pattern.cycle) + ")," + str(offset) + ")'";
    };
    std::int64_t frames = 0;
    if (pattern.count == 1) {
      st.video.then(pick(pattern.offsets[0]) + "," + tb + ",setpts=N");
      frames = framesAtOffset(st.frames, pattern.cycle, pattern.offsets[0]);
    } else {
      // Each place of the pattern takes its frame of every cycle, and the places are interleaved
      // by their times.
      std::vector<Stream> places = graph_.split(std::move(st.video), pattern.count);
      for (int i = 0; i < pattern.count; ++i) {
        const int offset = pattern.offsets[static_cast<std::size_t>(i)];
        places[static_cast<std::size_t>(i)].then(pick(offset) + "," + tb + ",setpts=N*" +
                                                 str(pattern.count) + "+" + str(i));
        frames += framesAtOffset(st.frames, pattern.cycle, offset);
      }
      st.video = graph_.join(std::move(places), "interleave=nb_inputs=" + str(pattern.count));
    }
    st.frames = frames;
    st.rate = out;
  }

  void stabilise(ViewStream& st) const {
    if (!r_.has<Stabilise>(st.view)) return;
    // One static zoom for the whole clip, from the left view's motion: both views are zoomed
    // alike, so their disparity keeps its shape.
    st.video.then(kStabilisableFormats);
    st.video.then("vidstabtransform=input=" + filterValue(transforms_) + ":optzoom=1");
  }

  // Whether the graph makes the outputs' sound: the conversion's always, a preview's when asked.
  bool heard() const { return !preview_ || preview_->sound; }

  // The sound of a view up to the rate tail: time shift, audio cut, and what blending or
  // time-lapse does to it. A sought input's sound starts where its first frame does.
  SoundStream soundSteps(View view, Stream audio) const {
    const MediaInfo& media = media_[index(view)];
    SoundStream sound{std::move(audio), media.sampleRate};
    const Rational rate = media.frameRate;
    const int sr = media.sampleRate;
    const std::int64_t skip = skip_[r_.twoFiles() ? index(view) : 0];
    if (skip > 0) {
      sound.audio.then("atrim=start=" +
                       fixedText(-0.25 / fileRate_[r_.twoFiles() ? index(view) : 0].value(), 6));
    }
    sound.audio.then("asetpts=PTS-STARTPTS");
    const auto [first, end] = shiftWindow(view, media.frames);
    const std::int64_t from = preview_ ? preview_->from : 0;
    if (first + from - skip > 0)
      sound.audio.then(audioFrom(sampleAt(first + from - skip, rate, sr)));
    if (end < media.frames)
      sound.audio.then("atrim=end_sample=" + str(sampleAt(end - first - from, rate, sr)));
    if (audioCut_ > 0) {
      // trim(0,FrameCount()-n) keeps the sound of the first FrameCount()-n+1 frames.
      const std::int64_t kept = std::max<std::int64_t>(end - first - audioCut_ + 1 - from, 0);
      sound.audio.then("atrim=end_sample=" + str(sampleAt(kept, rate, sr)));
    }
    return sound;
  }

  // The preview's sound: from its first frame on, as 16-bit stereo at the rate a sound card
  // plays.
  void previewSound(SoundStream& sound, Rational rate) const {
    if (preview_->frame > 0) {
      sound.audio.then(audioFrom(sampleAt(preview_->frame, rate, sound.sampleRate)));
    }
    sound.audio.then("aresample=" + str(kPreviewSoundRate) +
                     ",aformat=sample_fmts=s16:channel_layouts=stereo");
  }

  // What blending, time-lapse and the rate tail of the view it is dubbed into do to a sound.
  void soundTail(SoundStream& sound, View view) const {
    const int sr = sound.sampleRate;
    // The frame rate the view had before blending or time-lapse (the fields may change it).
    const Rational viewRate = rateAfterFields(view);
    if (motion_ && motion_->kind == Motion::Kind::Blend && motion_->frames() / 2 > 1) {
      // The sound of c0<N/2>: the clip advanced by N/2-1 frames.
      sound.audio.then(audioFrom(sampleAt(motion_->frames() / 2 - 1, viewRate, sr)));
    } else if (motion_ && motion_->kind == Motion::Kind::TimeLapse) {
      // The sound at its own speed, cut to the frames that Trim(1, fn) keeps.
      const std::int64_t frames = lapsedFrames_[index(view)];
      sound.audio.then("atrim=start_sample=" + str(sampleAt(1, viewRate, sr)) + ":end_sample=" +
                       str(sampleAt(frames + 1, viewRate, sr)) + ",asetpts=PTS-STARTPTS");
    }
    // AssumeFPS(..., true) changes the sound's speed with the picture's; "Change pitch" then
    // resamples it to the rate it had.
    const Rational factor = outputRate_[index(view)] / selectedRate_[index(view)];
    if (factor == Rational{1, 1}) return;
    const std::int64_t newRate = (sr * factor.num + factor.den / 2) / factor.den;
    sound.audio.then("asetrate=" + str(newRate));
    const RateChange* change = r_.find<RateChange>(view);
    if (change != nullptr && change->keepPitch) {
      sound.audio.then("aresample=" + str(sr));
    } else {
      sound.sampleRate = static_cast<int>(newRate);
    }
  }

  Rational rateAfterFields(View view) const {
    Rational rate = media_[index(view)].frameRate;
    if (const auto* fields = r_.find<Fields>(view)) {
      rate = fields->change == Fields::Change::WeaveInput ? rate / Rational{2, 1}
                                                          : rate * Rational{2, 1};
    }
    return rate;
  }

  // The preview's frame, and what a check mode makes of the two views standing side by side:
  // the red-cyan anaglyph (Dubois), their difference brightened four times (misalignment and a
  // wrong offset show as bright edges), or the two blended half and half under level lines.
  void previewTail(Stream& picture) {
    picture.then("trim=start_frame=" + str(preview_->frame) + ",setpts=N");
    const PreviewMode mode = preview_->look.mode;
    if (mode == PreviewMode::Output) return;
    if (mode == PreviewMode::Headset) {
      headsetView(picture);
      return;
    }
    if (mode == PreviewMode::Anaglyph) {
      picture.then(std::string("stereo3d=sbsl:") + anaglyphName(OutputLayout::AnaglyphDubois));
      return;
    }
    picture.then("format=rgb24");
    std::vector<Stream> halves = graph_.split(std::move(picture), 2);
    halves[0].then("crop=iw/2:ih:0:0");
    halves[1].then("crop=iw/2:ih:iw/2:0");
    if (mode == PreviewMode::Difference) {
      picture = graph_.join(std::move(halves), "blend=all_mode=difference");
      picture.then("colorlevels=rimax=0.25:gimax=0.25:bimax=0.25");
    } else {
      picture = graph_.join(std::move(halves), "blend=all_mode=average");
      picture.then("drawgrid=w=iw:h=ih/16:t=1:c=white@0.6");
    }
  }

  // The headset view: each eye of the output as a headset shows it, a 16:9 window of 90 degrees
  // across into its sphere, looking where the preview's sliders say; the eyes side by side.
  void headsetView(Stream& picture) {
    const std::string sphere = r_.projection == Projection::Equirect ? "e" : "hequirect";
    const std::string look =
        ":yaw=" + decimal(preview_->look.yawDeg) + ":pitch=" + decimal(preview_->look.pitchDeg);
    const std::string window = "v360=input=" + sphere +
                               ":output=flat:h_fov=90:v_fov=58.7155:w=" + str(kHeadsetWidth) +
                               ":h=" + str(kHeadsetWidth * 9 / 16) + look + ":interp=cubic";
    const bool sideBySide = r_.layout == OutputLayout::SideBySide;
    if (!sideBySide && r_.layout != OutputLayout::OverUnder) {
      picture.then(window);
      return;
    }
    std::vector<Stream> eyes = graph_.split(std::move(picture), 2);
    const bool leftFirst = !r_.reversed;
    eyes[leftFirst ? 0 : 1].then(sideBySide ? "crop=iw/2:ih:0:0" : "crop=iw:ih/2:0:0");
    eyes[leftFirst ? 1 : 0].then(sideBySide ? "crop=iw/2:ih:iw/2:0" : "crop=iw:ih/2:0:ih/2");
    for (Stream& eye : eyes) eye.then(window);
    picture = graph_.join(std::move(eyes), "hstack=inputs=2");
  }

  Stream assemble(ViewStream first, ViewStream second) {
    switch (r_.layout) {
      case OutputLayout::OverUnder:
        return graph_.join({std::move(first.video), std::move(second.video)}, "vstack=inputs=2");
      case OutputLayout::Interlaced: {
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
      case OutputLayout::AnaglyphDubois:
      case OutputLayout::AnaglyphHalfColour:
      case OutputLayout::AnaglyphGrey: {
        // The first view, left of the pair, is the red.
        Stream pair =
            graph_.join({std::move(first.video), std::move(second.video)}, "hstack=inputs=2");
        pair.then(std::string("stereo3d=sbsl:") + anaglyphName(r_.layout));
        return pair;
      }
      default:
        return graph_.join({std::move(first.video), std::move(second.video)}, "hstack=inputs=2");
    }
  }

  // The name of stereo3d's output for an anaglyph.
  static const char* anaglyphName(OutputLayout layout) {
    switch (layout) {
      case OutputLayout::AnaglyphHalfColour:
        return "arch";
      case OutputLayout::AnaglyphGrey:
        return "arcg";
      default:
        return "arcd";
    }
  }

  std::string colourFormat() const {
    switch (r_.colour) {
      case ColourSpace::YV12:
        return "yuv420p";
      case ColourSpace::YUY2:
        return "yuyv422";
      case ColourSpace::RGB24:
        return "bgr24";
      case ColourSpace::RGB32:
        return "bgra";
      case ColourSpace::Keep:
        break;
    }
    return {};
  }

  static constexpr int kHeadsetWidth = 800;  // of each eye's window

  struct Preview {
    std::int64_t from = 0;
    std::int64_t frame = 0;
    PreviewLook look;
    bool sound = false;
  };

  const ClipRecipe& r_;
  std::optional<Preview> preview_;
  std::int64_t skip_[2] = {0, 0};  // frames each input is sought past, by input
  Rational fileRate_[2] = {{25, 1}, {25, 1}};
  std::string transforms_;
  std::string colourTables_;
  bool pictures_ = false;
  MediaInfo media_[2];
  std::int64_t offset_ = 0;
  std::int64_t audioCut_ = 0;
  std::optional<Motion> motion_;
  Rational rateBeforeTail_[2] = {{25, 1}, {25, 1}};
  Rational selectedRate_[2] = {{25, 1}, {25, 1}};
  Rational outputRate_[2] = {{25, 1}, {25, 1}};
  std::int64_t lapsedFrames_[2] = {0, 0};
  FilterGraph graph_;
};

}  // namespace

FilterGraphBuilder::FilterGraphBuilder(PathStyle style) : style_(style) {}

std::vector<std::string> FilterGraphBuilder::plan(const ClipRecipe& r) const {
  const std::string stem = paths::noext(r.names.primaryScript, style_);
  std::vector<std::string> graphs;
  if (r.has<Stabilise>(View::Left)) {
    graphs.push_back(paths::dir(stem, style_) + "Deshake_1_" + paths::name(stem, style_) +
                     kGraphExtension);
  }
  graphs.push_back(stem + kGraphExtension);
  return graphs;
}

std::string FilterGraphBuilder::stereoModeName(StereoTag tag) {
  switch (tag) {
    case StereoTag::LeftRight:
      return "left_right";
    case StereoTag::RightLeft:
      return "right_left";
    case StereoTag::TopBottom:
      return "top_bottom";
    case StereoTag::BottomTop:
      return "bottom_top";
    case StereoTag::RowInterleavedLR:
      return "row_interleaved_lr";
    case StereoTag::RowInterleavedRL:
      return "row_interleaved_rl";
    case StereoTag::Mono:
      return "mono";
    case StereoTag::None:
      break;
  }
  return {};
}

namespace {

// The runner's own files are named like the clip's primary script.
std::string stemOf(const ClipRecipe& r, PathStyle style) {
  return paths::name(paths::noext(r.names.primaryScript, style), style);
}

const ColourMatch* colourMatchOf(const ClipRecipe& r) {
  const ColourMatch* match = r.find<ColourMatch>(View::Left);
  return match != nullptr ? match : r.find<ColourMatch>(View::Right);
}

}  // namespace

std::string FilterGraphBuilder::colourTablesName(const ClipRecipe& r) const {
  return colourMatchOf(r) != nullptr ? stemOf(r, style_) + ".cube" : std::string();
}

std::string FilterGraphBuilder::transformsName(const ClipRecipe& r) const {
  return r.has<Stabilise>(View::Left) ? stemOf(r, style_) + ".trf" : std::string();
}

OutputTiming FilterGraphBuilder::timing(const ClipRecipe& clip) const {
  const FfmpegClipJob::Output primary = build(clip).outputs.front();
  return {primary.frameRate, primary.frames};
}

FrameGraph FilterGraphBuilder::frame(const ClipRecipe& clip, std::int64_t frame, PreviewLook look,
                                     const std::string& colourTables, bool sound) const {
  if (frame < 0) throw Error("it lies beyond the clip");
  ClipRecipe r = clip;
  FrameGraph preview;
  for (std::vector<Step>& steps : r.steps) {
    const auto stabilised = std::find_if(steps.begin(), steps.end(), [](const Step& step) {
      return std::holds_alternative<Stabilise>(step);
    });
    if (stabilised == steps.end()) continue;
    steps.erase(stabilised);
    preview.notes = {
        "The preview is not stabilised: the runner measures the motion of the "
        "whole clip first"};
  }
  if (look.mode == PreviewMode::Headset && r.projection == Projection::Flat) {
    throw Error(
        "The headset view looks into VR outputs: choose \"VR180\" or \"360\" under "
        "\"Projection\"");
  }
  if (look.mode != PreviewMode::Output && look.mode != PreviewMode::Headset) {
    // The two views as they are before the layout puts them together.
    r.layout = OutputLayout::SideBySide;
    r.reversed = false;
    const std::optional<View> heard = r.outputs.empty() ? std::nullopt : r.outputs.front().sound;
    r.outputs = {{{View::Left, View::Right}, heard}};
  }
  if (r.outputs.empty()) throw Error("No output format is chosen");

  // The clip is sought to a frame from which its steps repeat as from its start (a whole number
  // of frame selections, time-lapses and woven pairs), the last one before the frame asked for.
  const View view = r.outputs.front().views.front();
  std::int64_t cycle = 1;
  const auto outputFramesOf = [&](std::int64_t frames) {
    if (const auto* fields = r.find<Fields>(view)) {
      frames = fields->change == Fields::Change::WeaveInput ? frames / 2 : frames * 2;
    }
    if (const auto* motion = r.find<Motion>(view);
        motion && motion->kind == Motion::Kind::TimeLapse) {
      frames /= motion->frames();
    }
    if (const auto* selection = r.find<FrameSelection>(view)) {
      frames = frames / selection->pattern.cycle * selection->pattern.count;
    }
    return frames;
  };
  const auto repeats = [&](std::int64_t frames) {
    if (const auto* fields = r.find<Fields>(view);
        fields && fields->change == Fields::Change::WeaveInput && frames % 2 != 0) {
      return false;
    }
    std::int64_t inner = frames;
    if (const auto* fields = r.find<Fields>(view)) {
      inner = fields->change == Fields::Change::WeaveInput ? frames / 2 : frames * 2;
    }
    if (const auto* motion = r.find<Motion>(view);
        motion && motion->kind == Motion::Kind::TimeLapse) {
      if (inner % motion->frames() != 0) return false;
      inner /= motion->frames();
    }
    const auto* selection = r.find<FrameSelection>(view);
    return selection == nullptr || inner % selection->pattern.cycle == 0;
  };
  while (!repeats(cycle)) ++cycle;
  const std::int64_t perCycle = outputFramesOf(cycle);
  const std::int64_t from = perCycle > 0 ? frame / perCycle * cycle : 0;

  GraphComposer composer(r, {}, colourTables);
  composer.seek(from, frame - (perCycle > 0 ? frame / perCycle * perCycle : 0), look, sound);
  preview.inputs = composer.inputs();
  std::vector<FfmpegClipJob::Output> outputs;
  preview.graph = composer.encodeGraph(outputs);
  preview.pad = outputs.front().video;
  preview.soundPad = outputs.front().audio;
  return preview;
}

FfmpegClipJob FilterGraphBuilder::build(const ClipRecipe& r) const {
  const ClipNames& clip = r.names;
  FfmpegClipJob job;
  const std::vector<std::string> files = plan(r);
  const std::string tables = colourTablesName(r);
  if (const ColourMatch* colourMatch = colourMatchOf(r)) {
    FfmpegClipJob::ColourMatch match;
    match.reference = colourMatch->reference == View::Left ? "left" : "right";
    match.views = r.input == InputLayout::SideBySide  ? "side-by-side"
                  : r.input == InputLayout::OverUnder ? "over-under"
                                                      : "pair";
    match.files = {clip.leftFile};
    if (match.views == "pair") match.files.push_back(clip.rightFile);
    match.tables = tables;
    job.colourMatch = std::move(match);
  }
  if (r.has<Stabilise>(View::Left)) {
    job.transforms = transformsName(r);
    job.analysisGraphPath = files.front();
    job.analysisGraph = GraphComposer(r, job.transforms, tables).analysisGraph();
  }
  GraphComposer composer(r, job.transforms, tables);
  job.inputs = composer.inputs();
  const std::pair<const char*, const std::string*> tags[] = {
      {"-color_trc", &r.transfer}, {"-color_primaries", &r.primaries}, {"-colorspace", &r.matrix}};
  for (const auto& [option, value] : tags) {
    if (value->empty()) continue;
    job.colourTags.push_back(option);
    job.colourTags.push_back(*value);
  }
  job.graphPath = files.back();
  job.graph = composer.encodeGraph(job.outputs);
  return job;
}

}  // namespace twinlens
