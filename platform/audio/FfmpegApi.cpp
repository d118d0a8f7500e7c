#include "platform/audio/Codec.h"

#include "platform/base/Error.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "platform/audio/FfmpegApi.h"

#include <dlfcn.h>

#include <mutex>
#include <string>
#include <vector>

namespace platform::audio {



namespace {

std::string Soname(const char* lib, int major) { return std::string("lib") + lib + ".so." + std::to_string(major); }

} // namespace

const FfmpegApi& Ffmpeg() {
    static FfmpegApi api;
    static std::string failure;
    static std::once_flag once;
    std::call_once(once, [] {
        std::vector<void*> libs;
        for (const std::string& name : {Soname("avutil", LIBAVUTIL_VERSION_MAJOR), Soname("swresample", LIBSWRESAMPLE_VERSION_MAJOR),
                                        Soname("avcodec", LIBAVCODEC_VERSION_MAJOR), Soname("avformat", LIBAVFORMAT_VERSION_MAJOR)}) {
            void* h = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!h) {
                failure = "The audio codec library " + name + " could not be loaded (" + std::string(::dlerror()) + ")";
                return;
            }
            libs.push_back(h);
        }
        auto find = [&](const char* symbol) -> void* {
            for (void* h : libs)
                if (void* p = ::dlsym(h, symbol)) return p;
            return nullptr;
        };
        api.av_audio_fifo_alloc = reinterpret_cast<decltype(api.av_audio_fifo_alloc)>(find("av_audio_fifo_alloc"));
        if (!api.av_audio_fifo_alloc) failure = "The audio codec libraries have no av_audio_fifo_alloc";
        api.av_audio_fifo_free = reinterpret_cast<decltype(api.av_audio_fifo_free)>(find("av_audio_fifo_free"));
        if (!api.av_audio_fifo_free) failure = "The audio codec libraries have no av_audio_fifo_free";
        api.av_audio_fifo_read = reinterpret_cast<decltype(api.av_audio_fifo_read)>(find("av_audio_fifo_read"));
        if (!api.av_audio_fifo_read) failure = "The audio codec libraries have no av_audio_fifo_read";
        api.av_audio_fifo_size = reinterpret_cast<decltype(api.av_audio_fifo_size)>(find("av_audio_fifo_size"));
        if (!api.av_audio_fifo_size) failure = "The audio codec libraries have no av_audio_fifo_size";
        api.av_audio_fifo_write = reinterpret_cast<decltype(api.av_audio_fifo_write)>(find("av_audio_fifo_write"));
        if (!api.av_audio_fifo_write) failure = "The audio codec libraries have no av_audio_fifo_write";
        api.av_channel_layout_check = reinterpret_cast<decltype(api.av_channel_layout_check)>(find("av_channel_layout_check"));
        if (!api.av_channel_layout_check) failure = "The audio codec libraries have no av_channel_layout_check";
        api.av_channel_layout_copy = reinterpret_cast<decltype(api.av_channel_layout_copy)>(find("av_channel_layout_copy"));
        if (!api.av_channel_layout_copy) failure = "The audio codec libraries have no av_channel_layout_copy";
        api.av_channel_layout_default = reinterpret_cast<decltype(api.av_channel_layout_default)>(find("av_channel_layout_default"));
        if (!api.av_channel_layout_default) failure = "The audio codec libraries have no av_channel_layout_default";
        api.av_channel_layout_uninit = reinterpret_cast<decltype(api.av_channel_layout_uninit)>(find("av_channel_layout_uninit"));
        if (!api.av_channel_layout_uninit) failure = "The audio codec libraries have no av_channel_layout_uninit";
        api.av_find_best_stream = reinterpret_cast<decltype(api.av_find_best_stream)>(find("av_find_best_stream"));
        if (!api.av_find_best_stream) failure = "The audio codec libraries have no av_find_best_stream";
        api.av_frame_alloc = reinterpret_cast<decltype(api.av_frame_alloc)>(find("av_frame_alloc"));
        if (!api.av_frame_alloc) failure = "The audio codec libraries have no av_frame_alloc";
        api.av_frame_free = reinterpret_cast<decltype(api.av_frame_free)>(find("av_frame_free"));
        if (!api.av_frame_free) failure = "The audio codec libraries have no av_frame_free";
        api.av_frame_get_buffer = reinterpret_cast<decltype(api.av_frame_get_buffer)>(find("av_frame_get_buffer"));
        if (!api.av_frame_get_buffer) failure = "The audio codec libraries have no av_frame_get_buffer";
        api.av_frame_unref = reinterpret_cast<decltype(api.av_frame_unref)>(find("av_frame_unref"));
        if (!api.av_frame_unref) failure = "The audio codec libraries have no av_frame_unref";
        api.av_freep = reinterpret_cast<decltype(api.av_freep)>(find("av_freep"));
        if (!api.av_freep) failure = "The audio codec libraries have no av_freep";
        api.av_interleaved_write_frame = reinterpret_cast<decltype(api.av_interleaved_write_frame)>(find("av_interleaved_write_frame"));
        if (!api.av_interleaved_write_frame) failure = "The audio codec libraries have no av_interleaved_write_frame";
        api.av_log_set_level = reinterpret_cast<decltype(api.av_log_set_level)>(find("av_log_set_level"));
        if (!api.av_log_set_level) failure = "The audio codec libraries have no av_log_set_level";
        api.av_new_packet = reinterpret_cast<decltype(api.av_new_packet)>(find("av_new_packet"));
        if (!api.av_new_packet) failure = "The audio codec libraries have no av_new_packet";
        api.av_opt_set_int = reinterpret_cast<decltype(api.av_opt_set_int)>(find("av_opt_set_int"));
        if (!api.av_opt_set_int) failure = "The audio codec libraries have no av_opt_set_int";
        api.av_packet_alloc = reinterpret_cast<decltype(api.av_packet_alloc)>(find("av_packet_alloc"));
        if (!api.av_packet_alloc) failure = "The audio codec libraries have no av_packet_alloc";
        api.av_packet_free = reinterpret_cast<decltype(api.av_packet_free)>(find("av_packet_free"));
        if (!api.av_packet_free) failure = "The audio codec libraries have no av_packet_free";
        api.av_packet_rescale_ts = reinterpret_cast<decltype(api.av_packet_rescale_ts)>(find("av_packet_rescale_ts"));
        if (!api.av_packet_rescale_ts) failure = "The audio codec libraries have no av_packet_rescale_ts";
        api.av_packet_unref = reinterpret_cast<decltype(api.av_packet_unref)>(find("av_packet_unref"));
        if (!api.av_packet_unref) failure = "The audio codec libraries have no av_packet_unref";
        api.av_read_frame = reinterpret_cast<decltype(api.av_read_frame)>(find("av_read_frame"));
        if (!api.av_read_frame) failure = "The audio codec libraries have no av_read_frame";
        api.av_rescale_rnd = reinterpret_cast<decltype(api.av_rescale_rnd)>(find("av_rescale_rnd"));
        if (!api.av_rescale_rnd) failure = "The audio codec libraries have no av_rescale_rnd";
        api.av_samples_alloc_array_and_samples = reinterpret_cast<decltype(api.av_samples_alloc_array_and_samples)>(find("av_samples_alloc_array_and_samples"));
        if (!api.av_samples_alloc_array_and_samples) failure = "The audio codec libraries have no av_samples_alloc_array_and_samples";
        api.av_samples_set_silence = reinterpret_cast<decltype(api.av_samples_set_silence)>(find("av_samples_set_silence"));
        if (!api.av_samples_set_silence) failure = "The audio codec libraries have no av_samples_set_silence";
        api.av_strerror = reinterpret_cast<decltype(api.av_strerror)>(find("av_strerror"));
        if (!api.av_strerror) failure = "The audio codec libraries have no av_strerror";
        api.av_write_trailer = reinterpret_cast<decltype(api.av_write_trailer)>(find("av_write_trailer"));
        if (!api.av_write_trailer) failure = "The audio codec libraries have no av_write_trailer";
        api.avcodec_alloc_context3 = reinterpret_cast<decltype(api.avcodec_alloc_context3)>(find("avcodec_alloc_context3"));
        if (!api.avcodec_alloc_context3) failure = "The audio codec libraries have no avcodec_alloc_context3";
        api.avcodec_find_decoder = reinterpret_cast<decltype(api.avcodec_find_decoder)>(find("avcodec_find_decoder"));
        if (!api.avcodec_find_decoder) failure = "The audio codec libraries have no avcodec_find_decoder";
        api.avcodec_find_encoder_by_name = reinterpret_cast<decltype(api.avcodec_find_encoder_by_name)>(find("avcodec_find_encoder_by_name"));
        if (!api.avcodec_find_encoder_by_name) failure = "The audio codec libraries have no avcodec_find_encoder_by_name";
        api.avcodec_free_context = reinterpret_cast<decltype(api.avcodec_free_context)>(find("avcodec_free_context"));
        if (!api.avcodec_free_context) failure = "The audio codec libraries have no avcodec_free_context";
        api.avcodec_open2 = reinterpret_cast<decltype(api.avcodec_open2)>(find("avcodec_open2"));
        if (!api.avcodec_open2) failure = "The audio codec libraries have no avcodec_open2";
        api.avcodec_parameters_from_context = reinterpret_cast<decltype(api.avcodec_parameters_from_context)>(find("avcodec_parameters_from_context"));
        if (!api.avcodec_parameters_from_context) failure = "The audio codec libraries have no avcodec_parameters_from_context";
        api.avcodec_parameters_to_context = reinterpret_cast<decltype(api.avcodec_parameters_to_context)>(find("avcodec_parameters_to_context"));
        if (!api.avcodec_parameters_to_context) failure = "The audio codec libraries have no avcodec_parameters_to_context";
        api.avcodec_receive_frame = reinterpret_cast<decltype(api.avcodec_receive_frame)>(find("avcodec_receive_frame"));
        if (!api.avcodec_receive_frame) failure = "The audio codec libraries have no avcodec_receive_frame";
        api.avcodec_receive_packet = reinterpret_cast<decltype(api.avcodec_receive_packet)>(find("avcodec_receive_packet"));
        if (!api.avcodec_receive_packet) failure = "The audio codec libraries have no avcodec_receive_packet";
        api.avcodec_send_frame = reinterpret_cast<decltype(api.avcodec_send_frame)>(find("avcodec_send_frame"));
        if (!api.avcodec_send_frame) failure = "The audio codec libraries have no avcodec_send_frame";
        api.avcodec_send_packet = reinterpret_cast<decltype(api.avcodec_send_packet)>(find("avcodec_send_packet"));
        if (!api.avcodec_send_packet) failure = "The audio codec libraries have no avcodec_send_packet";
        api.avformat_alloc_output_context2 = reinterpret_cast<decltype(api.avformat_alloc_output_context2)>(find("avformat_alloc_output_context2"));
        if (!api.avformat_alloc_output_context2) failure = "The audio codec libraries have no avformat_alloc_output_context2";
        api.avformat_close_input = reinterpret_cast<decltype(api.avformat_close_input)>(find("avformat_close_input"));
        if (!api.avformat_close_input) failure = "The audio codec libraries have no avformat_close_input";
        api.avformat_find_stream_info = reinterpret_cast<decltype(api.avformat_find_stream_info)>(find("avformat_find_stream_info"));
        if (!api.avformat_find_stream_info) failure = "The audio codec libraries have no avformat_find_stream_info";
        api.avformat_free_context = reinterpret_cast<decltype(api.avformat_free_context)>(find("avformat_free_context"));
        if (!api.avformat_free_context) failure = "The audio codec libraries have no avformat_free_context";
        api.avformat_new_stream = reinterpret_cast<decltype(api.avformat_new_stream)>(find("avformat_new_stream"));
        if (!api.avformat_new_stream) failure = "The audio codec libraries have no avformat_new_stream";
        api.avformat_open_input = reinterpret_cast<decltype(api.avformat_open_input)>(find("avformat_open_input"));
        if (!api.avformat_open_input) failure = "The audio codec libraries have no avformat_open_input";
        api.avformat_write_header = reinterpret_cast<decltype(api.avformat_write_header)>(find("avformat_write_header"));
        if (!api.avformat_write_header) failure = "The audio codec libraries have no avformat_write_header";
        api.avio_closep = reinterpret_cast<decltype(api.avio_closep)>(find("avio_closep"));
        if (!api.avio_closep) failure = "The audio codec libraries have no avio_closep";
        api.avio_flush = reinterpret_cast<decltype(api.avio_flush)>(find("avio_flush"));
        if (!api.avio_flush) failure = "The audio codec libraries have no avio_flush";
        api.avio_open = reinterpret_cast<decltype(api.avio_open)>(find("avio_open"));
        if (!api.avio_open) failure = "The audio codec libraries have no avio_open";
        api.avio_size = reinterpret_cast<decltype(api.avio_size)>(find("avio_size"));
        if (!api.avio_size) failure = "The audio codec libraries have no avio_size";
        api.avio_seek = reinterpret_cast<decltype(api.avio_seek)>(find("avio_seek"));
        if (!api.avio_seek) failure = "The audio codec libraries have no avio_seek";
        api.avio_tell = [](AVIOContext* s) -> std::int64_t { return api.avio_seek(s, 0, SEEK_CUR); };
        api.swr_alloc_set_opts2 = reinterpret_cast<decltype(api.swr_alloc_set_opts2)>(find("swr_alloc_set_opts2"));
        if (!api.swr_alloc_set_opts2) failure = "The audio codec libraries have no swr_alloc_set_opts2";
        api.swr_convert = reinterpret_cast<decltype(api.swr_convert)>(find("swr_convert"));
        if (!api.swr_convert) failure = "The audio codec libraries have no swr_convert";
        api.swr_free = reinterpret_cast<decltype(api.swr_free)>(find("swr_free"));
        if (!api.swr_free) failure = "The audio codec libraries have no swr_free";
        api.swr_get_out_samples = reinterpret_cast<decltype(api.swr_get_out_samples)>(find("swr_get_out_samples"));
        if (!api.swr_get_out_samples) failure = "The audio codec libraries have no swr_get_out_samples";
        api.swr_init = reinterpret_cast<decltype(api.swr_init)>(find("swr_init"));
        if (!api.swr_init) failure = "The audio codec libraries have no swr_init";
        api.swr_set_matrix = reinterpret_cast<decltype(api.swr_set_matrix)>(find("swr_set_matrix"));
        if (!api.swr_set_matrix) failure = "The audio codec libraries have no swr_set_matrix";
    });
    if (!failure.empty()) Raise(err::InvalidCall, failure);
    return api;
}

} // namespace platform::audio
