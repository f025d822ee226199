// Playback: the FluidSynth library, opened when playback first needs it. Each FluidSynth
// function the program calls is defined here under its own name and passes the call on
// to the library, which is opened at the first of them.
#include "playback/fluidsynth_library.h"

#include <dlfcn.h>
#include <fluidsynth.h>
#include <string>
#include <type_traits>

// Every FluidSynth function the program calls: result, name, parameters, arguments.
// Declared again by fluidsynth.h, so a list that differs from the library's own
// declarations does not compile.
#define TUNELET_FLUIDSYNTH_FUNCTIONS(X)                                                            \
    X(void, delete_fluid_audio_driver, (fluid_audio_driver_t * driver), (driver))                  \
    X(void, delete_fluid_event, (fluid_event_t * evt), (evt))                                      \
    X(void, delete_fluid_file_renderer, (fluid_file_renderer_t * dev), (dev))                      \
    X(void, delete_fluid_player, (fluid_player_t * player), (player))                              \
    X(void, delete_fluid_sequencer, (fluid_sequencer_t * seq), (seq))                              \
    X(void, delete_fluid_settings, (fluid_settings_t * settings), (settings))                      \
    X(void, delete_fluid_synth, (fluid_synth_t * synth), (synth))                                  \
    X(int, fluid_event_get_type, (fluid_event_t * evt), (evt))                                     \
    X(void, fluid_event_set_dest, (fluid_event_t * evt, fluid_seq_id_t dest), (evt, dest))         \
    X(void, fluid_event_set_source, (fluid_event_t * evt, fluid_seq_id_t src), (evt, src))         \
    X(void, fluid_event_timer, (fluid_event_t * evt, void *data), (evt, data))                     \
    X(int, fluid_file_renderer_process_block, (fluid_file_renderer_t * dev), (dev))                \
    X(int, fluid_player_add_mem, (fluid_player_t * player, const void *buffer, size_t len),        \
      (player, buffer, len))                                                                       \
    X(int, fluid_player_get_current_tick, (fluid_player_t * player), (player))                     \
    X(int, fluid_player_get_status, (fluid_player_t * player), (player))                           \
    X(int, fluid_player_get_total_ticks, (fluid_player_t * player), (player))                      \
    X(int, fluid_player_play, (fluid_player_t * player), (player))                                 \
    X(int, fluid_player_seek, (fluid_player_t * player, int ticks), (player, ticks))               \
    X(int, fluid_player_set_playback_callback,                                                     \
      (fluid_player_t * player, handle_midi_event_func_t handler, void *handler_data),             \
      (player, handler, handler_data))                                                             \
    X(int, fluid_player_stop, (fluid_player_t * player), (player))                                 \
    X(unsigned int, fluid_sequencer_get_tick, (fluid_sequencer_t * seq), (seq))                    \
    X(fluid_seq_id_t, fluid_sequencer_register_client,                                             \
      (fluid_sequencer_t * seq, const char *name, fluid_event_callback_t callback, void *data),    \
      (seq, name, callback, data))                                                                 \
    X(fluid_seq_id_t, fluid_sequencer_register_fluidsynth,                                         \
      (fluid_sequencer_t * seq, fluid_synth_t * synth), (seq, synth))                              \
    X(void, fluid_sequencer_remove_events,                                                         \
      (fluid_sequencer_t * seq, fluid_seq_id_t source, fluid_seq_id_t dest, int type),             \
      (seq, source, dest, type))                                                                   \
    X(int, fluid_sequencer_send_at,                                                                \
      (fluid_sequencer_t * seq, fluid_event_t * evt, unsigned int time, int absolute),             \
      (seq, evt, time, absolute))                                                                  \
    X(fluid_log_function_t, fluid_set_log_function,                                                \
      (int level, fluid_log_function_t fun, void *data), (level, fun, data))                       \
    X(int, fluid_settings_getint, (fluid_settings_t * settings, const char *name, int *val),       \
      (settings, name, val))                                                                       \
    X(int, fluid_settings_setint, (fluid_settings_t * settings, const char *name, int val),        \
      (settings, name, val))                                                                       \
    X(int, fluid_settings_setnum, (fluid_settings_t * settings, const char *name, double val),     \
      (settings, name, val))                                                                       \
    X(int, fluid_settings_setstr,                                                                  \
      (fluid_settings_t * settings, const char *name, const char *str), (settings, name, str))     \
    X(int, fluid_synth_all_notes_off, (fluid_synth_t * synth, int chan), (synth, chan))            \
    X(int, fluid_synth_cc, (fluid_synth_t * synth, int chan, int ctrl, int val),                   \
      (synth, chan, ctrl, val))                                                                    \
    X(int, fluid_synth_channel_pressure, (fluid_synth_t * synth, int chan, int val),               \
      (synth, chan, val))                                                                          \
    X(int, fluid_synth_count_midi_channels, (fluid_synth_t * synth), (synth))                      \
    X(int, fluid_synth_get_program,                                                                \
      (fluid_synth_t * synth, int chan, int *sfont_id, int *bank_num, int *preset_num),            \
      (synth, chan, sfont_id, bank_num, preset_num))                                               \
    X(void, fluid_synth_get_voicelist,                                                             \
      (fluid_synth_t * synth, fluid_voice_t * buf[], int bufsize, int ID),                         \
      (synth, buf, bufsize, ID))                                                                   \
    X(int, fluid_synth_handle_midi_event, (void *data, fluid_midi_event_t *event), (data, event))  \
    X(int, fluid_synth_key_pressure, (fluid_synth_t * synth, int chan, int key, int val),          \
      (synth, chan, key, val))                                                                     \
    X(int, fluid_synth_noteoff, (fluid_synth_t * synth, int chan, int key), (synth, chan, key))    \
    X(int, fluid_synth_noteon, (fluid_synth_t * synth, int chan, int key, int vel),                \
      (synth, chan, key, vel))                                                                     \
    X(int, fluid_synth_pitch_bend, (fluid_synth_t * synth, int chan, int val), (synth, chan, val)) \
    X(int, fluid_synth_process,                                                                    \
      (fluid_synth_t * synth, int len, int nfx, float *fx[], int nout, float *out[]),              \
      (synth, len, nfx, fx, nout, out))                                                            \
    X(int, fluid_synth_program_change, (fluid_synth_t * synth, int chan, int program),             \
      (synth, chan, program))                                                                      \
    X(int, fluid_synth_sfload, (fluid_synth_t * synth, const char *filename, int reset_presets),   \
      (synth, filename, reset_presets))                                                            \
    X(int, fluid_synth_system_reset, (fluid_synth_t * synth), (synth))                             \
    X(int, fluid_synth_write_float,                                                                \
      (fluid_synth_t * synth, int len, void *lout, int loff, int lincr, void *rout, int roff,      \
       int rincr),                                                                                 \
      (synth, len, lout, loff, lincr, rout, roff, rincr))                                          \
    X(int, fluid_voice_get_actual_key, (const fluid_voice_t *voice), (voice))                      \
    X(int, fluid_voice_get_actual_velocity, (const fluid_voice_t *voice), (voice))                 \
    X(int, fluid_voice_get_channel, (const fluid_voice_t *voice), (voice))                         \
    X(unsigned int, fluid_voice_get_id, (const fluid_voice_t *voice), (voice))                     \
    X(int, fluid_voice_is_on, (const fluid_voice_t *voice), (voice))                               \
    X(fluid_audio_driver_t *, new_fluid_audio_driver2,                                             \
      (fluid_settings_t * settings, fluid_audio_func_t func, void *data), (settings, func, data))  \
    X(fluid_event_t *, new_fluid_event, (void), ())                                                \
    X(fluid_file_renderer_t *, new_fluid_file_renderer, (fluid_synth_t * synth), (synth))          \
    X(fluid_player_t *, new_fluid_player, (fluid_synth_t * synth), (synth))                        \
    X(fluid_sequencer_t *, new_fluid_sequencer2, (int use_system_timer), (use_system_timer))       \
    X(fluid_settings_t *, new_fluid_settings, (void), ())                                          \
    X(fluid_synth_t *, new_fluid_synth, (fluid_settings_t * settings), (settings))

namespace tunelet::playback {

namespace {

struct Library {
#define TUNELET_POINTER(result, name, parameters, arguments) decltype(&::name) name = nullptr;
    TUNELET_FLUIDSYNTH_FUNCTIONS(TUNELET_POINTER)
#undef TUNELET_POINTER
};

std::string &loadError() {
    static std::string error;
    return error;
}

// The library's functions, or nullptr when it could not be opened. Opened once; the
// handle stays open for the rest of the run, as a library linked at start would.
const Library *library() {
    static const Library *const opened = []() -> const Library * {
        void *handle = ::dlopen(TUNELET_FLUIDSYNTH_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char *why = ::dlerror();
            loadError() = why != nullptr ? why : TUNELET_FLUIDSYNTH_LIBRARY;
            return nullptr;
        }
        static Library functions;
#define TUNELET_RESOLVE(result, name, parameters, arguments)                                       \
    functions.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));                  \
    if (functions.name == nullptr) {                                                               \
        loadError() = TUNELET_FLUIDSYNTH_LIBRARY ": " #name;                                       \
        return nullptr;                                                                            \
    }
        TUNELET_FLUIDSYNTH_FUNCTIONS(TUNELET_RESOLVE)
#undef TUNELET_RESOLVE
        return &functions;
    }();
    return opened;
}

// What a call returns when the library is missing: what FluidSynth returns on failure.
template <typename Result> Result failed() {
    if constexpr (std::is_void_v<Result>) {
        return;
    } else if constexpr (std::is_pointer_v<Result>) {
        return nullptr;
    } else {
        return static_cast<Result>(FLUID_FAILED);
    }
}

} // namespace

const char *fluidSynthLoadError() {
    return loadError().empty() ? nullptr : loadError().c_str();
}

} // namespace tunelet::playback

extern "C" {
#define TUNELET_FORWARD(result, name, parameters, arguments)                                       \
    result name parameters {                                                                       \
        const tunelet::playback::Library *functions = tunelet::playback::library();                \
        return functions != nullptr ? functions->name arguments                                    \
                                    : tunelet::playback::failed<result>();                         \
    }
TUNELET_FLUIDSYNTH_FUNCTIONS(TUNELET_FORWARD)
#undef TUNELET_FORWARD
}
