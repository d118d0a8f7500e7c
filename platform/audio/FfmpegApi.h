// FFmpeg, loaded the first time audio is decoded, encoded or resampled, instead of with the
// program: its libraries pull in a hundred more, whose loading would double the start-up of
// every program that links the component. Included by Codec.cpp only, after the FFmpeg
// headers: each call of a function below goes through the table.
#pragma once

namespace platform::audio {

struct FfmpegApi {
    decltype(&::av_audio_fifo_alloc) av_audio_fifo_alloc = nullptr;
    decltype(&::av_audio_fifo_free) av_audio_fifo_free = nullptr;
    decltype(&::av_audio_fifo_read) av_audio_fifo_read = nullptr;
    decltype(&::av_audio_fifo_size) av_audio_fifo_size = nullptr;
    decltype(&::av_audio_fifo_write) av_audio_fifo_write = nullptr;
    decltype(&::av_channel_layout_check) av_channel_layout_check = nullptr;
    decltype(&::av_channel_layout_copy) av_channel_layout_copy = nullptr;
    decltype(&::av_channel_layout_default) av_channel_layout_default = nullptr;
    decltype(&::av_channel_layout_uninit) av_channel_layout_uninit = nullptr;
    decltype(&::av_find_best_stream) av_find_best_stream = nullptr;
    decltype(&::av_frame_alloc) av_frame_alloc = nullptr;
    decltype(&::av_frame_free) av_frame_free = nullptr;
    decltype(&::av_frame_get_buffer) av_frame_get_buffer = nullptr;
    decltype(&::av_frame_unref) av_frame_unref = nullptr;
    decltype(&::av_freep) av_freep = nullptr;
    decltype(&::av_interleaved_write_frame) av_interleaved_write_frame = nullptr;
    decltype(&::av_log_set_level) av_log_set_level = nullptr;
    decltype(&::av_new_packet) av_new_packet = nullptr;
    decltype(&::av_opt_set_int) av_opt_set_int = nullptr;
    decltype(&::av_packet_alloc) av_packet_alloc = nullptr;
    decltype(&::av_packet_free) av_packet_free = nullptr;
    decltype(&::av_packet_rescale_ts) av_packet_rescale_ts = nullptr;
    decltype(&::av_packet_unref) av_packet_unref = nullptr;
    decltype(&::av_read_frame) av_read_frame = nullptr;
    decltype(&::av_rescale_rnd) av_rescale_rnd = nullptr;
    decltype(&::av_samples_alloc_array_and_samples) av_samples_alloc_array_and_samples = nullptr;
    decltype(&::av_samples_set_silence) av_samples_set_silence = nullptr;
    decltype(&::av_strerror) av_strerror = nullptr;
    decltype(&::av_write_trailer) av_write_trailer = nullptr;
    decltype(&::avcodec_alloc_context3) avcodec_alloc_context3 = nullptr;
    decltype(&::avcodec_find_decoder) avcodec_find_decoder = nullptr;
    decltype(&::avcodec_find_encoder_by_name) avcodec_find_encoder_by_name = nullptr;
    decltype(&::avcodec_free_context) avcodec_free_context = nullptr;
    decltype(&::avcodec_open2) avcodec_open2 = nullptr;
    decltype(&::avcodec_parameters_from_context) avcodec_parameters_from_context = nullptr;
    decltype(&::avcodec_parameters_to_context) avcodec_parameters_to_context = nullptr;
    decltype(&::avcodec_receive_frame) avcodec_receive_frame = nullptr;
    decltype(&::avcodec_receive_packet) avcodec_receive_packet = nullptr;
    decltype(&::avcodec_send_frame) avcodec_send_frame = nullptr;
    decltype(&::avcodec_send_packet) avcodec_send_packet = nullptr;
    decltype(&::avformat_alloc_output_context2) avformat_alloc_output_context2 = nullptr;
    decltype(&::avformat_close_input) avformat_close_input = nullptr;
    decltype(&::avformat_find_stream_info) avformat_find_stream_info = nullptr;
    decltype(&::avformat_free_context) avformat_free_context = nullptr;
    decltype(&::avformat_new_stream) avformat_new_stream = nullptr;
    decltype(&::avformat_open_input) avformat_open_input = nullptr;
    decltype(&::avformat_write_header) avformat_write_header = nullptr;
    decltype(&::avio_closep) avio_closep = nullptr;
    decltype(&::avio_flush) avio_flush = nullptr;
    decltype(&::avio_open) avio_open = nullptr;
    decltype(&::avio_size) avio_size = nullptr;
    decltype(&::avio_tell) avio_tell = nullptr; // inline in the header: made from avio_seek
    decltype(&::avio_seek) avio_seek = nullptr;
    decltype(&::swr_alloc_set_opts2) swr_alloc_set_opts2 = nullptr;
    decltype(&::swr_convert) swr_convert = nullptr;
    decltype(&::swr_free) swr_free = nullptr;
    decltype(&::swr_get_out_samples) swr_get_out_samples = nullptr;
    decltype(&::swr_init) swr_init = nullptr;
    decltype(&::swr_set_matrix) swr_set_matrix = nullptr;
};

// The table, loaded once; raises a clear error when the libraries cannot be loaded.
const FfmpegApi& Ffmpeg();

} // namespace platform::audio

#define av_audio_fifo_alloc(...) (::platform::audio::Ffmpeg().av_audio_fifo_alloc)(__VA_ARGS__)
#define av_audio_fifo_free(...) (::platform::audio::Ffmpeg().av_audio_fifo_free)(__VA_ARGS__)
#define av_audio_fifo_read(...) (::platform::audio::Ffmpeg().av_audio_fifo_read)(__VA_ARGS__)
#define av_audio_fifo_size(...) (::platform::audio::Ffmpeg().av_audio_fifo_size)(__VA_ARGS__)
#define av_audio_fifo_write(...) (::platform::audio::Ffmpeg().av_audio_fifo_write)(__VA_ARGS__)
#define av_channel_layout_check(...) (::platform::audio::Ffmpeg().av_channel_layout_check)(__VA_ARGS__)
#define av_channel_layout_copy(...) (::platform::audio::Ffmpeg().av_channel_layout_copy)(__VA_ARGS__)
#define av_channel_layout_default(...) (::platform::audio::Ffmpeg().av_channel_layout_default)(__VA_ARGS__)
#define av_channel_layout_uninit(...) (::platform::audio::Ffmpeg().av_channel_layout_uninit)(__VA_ARGS__)
#define av_find_best_stream(...) (::platform::audio::Ffmpeg().av_find_best_stream)(__VA_ARGS__)
#define av_frame_alloc(...) (::platform::audio::Ffmpeg().av_frame_alloc)(__VA_ARGS__)
#define av_frame_free(...) (::platform::audio::Ffmpeg().av_frame_free)(__VA_ARGS__)
#define av_frame_get_buffer(...) (::platform::audio::Ffmpeg().av_frame_get_buffer)(__VA_ARGS__)
#define av_frame_unref(...) (::platform::audio::Ffmpeg().av_frame_unref)(__VA_ARGS__)
#define av_freep(...) (::platform::audio::Ffmpeg().av_freep)(__VA_ARGS__)
#define av_interleaved_write_frame(...) (::platform::audio::Ffmpeg().av_interleaved_write_frame)(__VA_ARGS__)
#define av_log_set_level(...) (::platform::audio::Ffmpeg().av_log_set_level)(__VA_ARGS__)
#define av_new_packet(...) (::platform::audio::Ffmpeg().av_new_packet)(__VA_ARGS__)
#define av_opt_set_int(...) (::platform::audio::Ffmpeg().av_opt_set_int)(__VA_ARGS__)
#define av_packet_alloc(...) (::platform::audio::Ffmpeg().av_packet_alloc)(__VA_ARGS__)
#define av_packet_free(...) (::platform::audio::Ffmpeg().av_packet_free)(__VA_ARGS__)
#define av_packet_rescale_ts(...) (::platform::audio::Ffmpeg().av_packet_rescale_ts)(__VA_ARGS__)
#define av_packet_unref(...) (::platform::audio::Ffmpeg().av_packet_unref)(__VA_ARGS__)
#define av_read_frame(...) (::platform::audio::Ffmpeg().av_read_frame)(__VA_ARGS__)
#define av_rescale_rnd(...) (::platform::audio::Ffmpeg().av_rescale_rnd)(__VA_ARGS__)
#define av_samples_alloc_array_and_samples(...) (::platform::audio::Ffmpeg().av_samples_alloc_array_and_samples)(__VA_ARGS__)
#define av_samples_set_silence(...) (::platform::audio::Ffmpeg().av_samples_set_silence)(__VA_ARGS__)
#define av_strerror(...) (::platform::audio::Ffmpeg().av_strerror)(__VA_ARGS__)
#define av_write_trailer(...) (::platform::audio::Ffmpeg().av_write_trailer)(__VA_ARGS__)
#define avcodec_alloc_context3(...) (::platform::audio::Ffmpeg().avcodec_alloc_context3)(__VA_ARGS__)
#define avcodec_find_decoder(...) (::platform::audio::Ffmpeg().avcodec_find_decoder)(__VA_ARGS__)
#define avcodec_find_encoder_by_name(...) (::platform::audio::Ffmpeg().avcodec_find_encoder_by_name)(__VA_ARGS__)
#define avcodec_free_context(...) (::platform::audio::Ffmpeg().avcodec_free_context)(__VA_ARGS__)
#define avcodec_open2(...) (::platform::audio::Ffmpeg().avcodec_open2)(__VA_ARGS__)
#define avcodec_parameters_from_context(...) (::platform::audio::Ffmpeg().avcodec_parameters_from_context)(__VA_ARGS__)
#define avcodec_parameters_to_context(...) (::platform::audio::Ffmpeg().avcodec_parameters_to_context)(__VA_ARGS__)
#define avcodec_receive_frame(...) (::platform::audio::Ffmpeg().avcodec_receive_frame)(__VA_ARGS__)
#define avcodec_receive_packet(...) (::platform::audio::Ffmpeg().avcodec_receive_packet)(__VA_ARGS__)
#define avcodec_send_frame(...) (::platform::audio::Ffmpeg().avcodec_send_frame)(__VA_ARGS__)
#define avcodec_send_packet(...) (::platform::audio::Ffmpeg().avcodec_send_packet)(__VA_ARGS__)
#define avformat_alloc_output_context2(...) (::platform::audio::Ffmpeg().avformat_alloc_output_context2)(__VA_ARGS__)
#define avformat_close_input(...) (::platform::audio::Ffmpeg().avformat_close_input)(__VA_ARGS__)
#define avformat_find_stream_info(...) (::platform::audio::Ffmpeg().avformat_find_stream_info)(__VA_ARGS__)
#define avformat_free_context(...) (::platform::audio::Ffmpeg().avformat_free_context)(__VA_ARGS__)
#define avformat_new_stream(...) (::platform::audio::Ffmpeg().avformat_new_stream)(__VA_ARGS__)
#define avformat_open_input(...) (::platform::audio::Ffmpeg().avformat_open_input)(__VA_ARGS__)
#define avformat_write_header(...) (::platform::audio::Ffmpeg().avformat_write_header)(__VA_ARGS__)
#define avio_closep(...) (::platform::audio::Ffmpeg().avio_closep)(__VA_ARGS__)
#define avio_flush(...) (::platform::audio::Ffmpeg().avio_flush)(__VA_ARGS__)
#define avio_open(...) (::platform::audio::Ffmpeg().avio_open)(__VA_ARGS__)
#define avio_size(...) (::platform::audio::Ffmpeg().avio_size)(__VA_ARGS__)
#define avio_tell(...) (::platform::audio::Ffmpeg().avio_tell)(__VA_ARGS__)
#define swr_alloc_set_opts2(...) (::platform::audio::Ffmpeg().swr_alloc_set_opts2)(__VA_ARGS__)
#define swr_convert(...) (::platform::audio::Ffmpeg().swr_convert)(__VA_ARGS__)
#define swr_free(...) (::platform::audio::Ffmpeg().swr_free)(__VA_ARGS__)
#define swr_get_out_samples(...) (::platform::audio::Ffmpeg().swr_get_out_samples)(__VA_ARGS__)
#define swr_init(...) (::platform::audio::Ffmpeg().swr_init)(__VA_ARGS__)
#define swr_set_matrix(...) (::platform::audio::Ffmpeg().swr_set_matrix)(__VA_ARGS__)
