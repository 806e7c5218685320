// SPDX-License-Identifier: GPL-3.0-or-later

#include "media/tempo.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "media/decoder.h"

namespace orbel::media {

namespace {

// One atempo stage takes 0.5 to 100; a slower pace is two stages, each taking its square root.
std::string TempoChain(double tempo) {
  char chain[96];
  if (tempo >= 0.5)
    std::snprintf(chain, sizeof chain, "atempo=%.6f", tempo);
  else
    std::snprintf(chain, sizeof chain, "atempo=0.5,atempo=%.6f", tempo / 0.5);
  return chain;
}

}  // namespace

struct TTempoFilter::TGraph {
  AVFilterGraph* Graph = nullptr;
  AVFilterContext* Source = nullptr;
  AVFilterContext* Sink = nullptr;
  AVFrame* Frame = nullptr;
  ~TGraph() {
    av_frame_free(&Frame);
    avfilter_graph_free(&Graph);
  }
};

TTempoFilter::TTempoFilter(double tempo) : TempoValue(std::clamp(tempo, 0.25, 4.0)) {
  auto graph = std::make_unique<TGraph>();
  graph->Graph = avfilter_graph_alloc();
  graph->Frame = av_frame_alloc();
  if (!graph->Graph || !graph->Frame) return;
  char sourceArguments[128];
  std::snprintf(sourceArguments, sizeof sourceArguments,
                "time_base=1/%d:sample_rate=%d:sample_fmt=s16:channel_layout=stereo", MixRate, MixRate);
  if (avfilter_graph_create_filter(&graph->Source, avfilter_get_by_name("abuffer"), "in", sourceArguments,
                                   nullptr, graph->Graph) < 0 ||
      avfilter_graph_create_filter(&graph->Sink, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr,
                                   graph->Graph) < 0)
    return;
  // The chain ends in the mixer's own format, whatever the filter prefers to work in.
  const std::string chain = TempoChain(TempoValue) + ",aformat=sample_fmts=s16:channel_layouts=stereo";
  AVFilterInOut* outputs = avfilter_inout_alloc();
  AVFilterInOut* inputs = avfilter_inout_alloc();
  bool built = outputs && inputs;
  if (built) {
    outputs->name = av_strdup("in");
    outputs->filter_ctx = graph->Source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = graph->Sink;
    built = avfilter_graph_parse_ptr(graph->Graph, chain.c_str(), &inputs, &outputs, nullptr) >= 0 &&
            avfilter_graph_config(graph->Graph, nullptr) >= 0;
  }
  avfilter_inout_free(&inputs);
  avfilter_inout_free(&outputs);
  if (built) Graph = std::move(graph);
}

TTempoFilter::~TTempoFilter() = default;

void TTempoFilter::Push(const int16_t* data, size_t frames) {
  if (!Graph || frames == 0) return;
  AVFrame* frame = Graph->Frame;
  av_frame_unref(frame);
  frame->format = AV_SAMPLE_FMT_S16;
  frame->sample_rate = MixRate;
  av_channel_layout_default(&frame->ch_layout, 2);
  frame->nb_samples = static_cast<int>(frames);
  frame->pts = FedFrames;
  if (av_frame_get_buffer(frame, 0) < 0) return;
  std::memcpy(frame->data[0], data, frames * 2 * sizeof(int16_t));
  FedFrames += static_cast<int64_t>(frames);
  if (av_buffersrc_add_frame_flags(Graph->Source, frame, AV_BUFFERSRC_FLAG_KEEP_REF) < 0) return;
  Drain();
}

void TTempoFilter::Drain() {
  AVFrame* frame = Graph->Frame;
  // Pulled frames are dropped from the front only now and then, so that Pull costs no move of the rest.
  if (OutputStart > 0 && OutputStart * 2 >= Output.size()) {
    Output.erase(Output.begin(), Output.begin() + static_cast<std::ptrdiff_t>(OutputStart));
    OutputStart = 0;
  }
  while (true) {
    av_frame_unref(frame);
    if (av_buffersink_get_frame(Graph->Sink, frame) < 0) break;
    const auto* samples = reinterpret_cast<const int16_t*>(frame->data[0]);
    Output.insert(Output.end(), samples, samples + static_cast<size_t>(frame->nb_samples) * 2);
  }
  av_frame_unref(frame);
}

size_t TTempoFilter::Pull(int16_t* out, size_t frames) {
  const size_t taken = std::min(frames, Available());
  std::copy_n(Output.begin() + static_cast<std::ptrdiff_t>(OutputStart), taken * 2, out);
  OutputStart += taken * 2;
  return taken;
}

}  // namespace orbel::media
