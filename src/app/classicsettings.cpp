#include "app/classicsettings.h"

namespace corvath::app {

namespace {

using numerics::Between;
using numerics::SettingKind;
using S = ClassicSettings;

const numerics::Setting<S> kSettings[] = {
    {"classic_min_hz", "Min frq", "the lowest frequency", "Hz", SettingKind::Number, Between(0.0, 100.0),
     [](const S& s) { return s.minFrequencyHz; }, [](S& s, double v) { s.minFrequencyHz = v; }},
    {"classic_max_hz", "Max frq", "the highest frequency", "Hz", SettingKind::Number, {0.0, false, 100.0, true},
     [](const S& s) { return s.maxFrequencyHz; }, [](S& s, double v) { s.maxFrequencyHz = v; }},
    {"classic_smoothed", "Smoothed spectra", "the smoothing", "", SettingKind::Flag, Between(0, 1),
     [](const S& s) { return s.smoothedSpectra ? 1.0 : 0.0; }, [](S& s, double v) { s.smoothedSpectra = v != 0.0; }},
};

}  // namespace

const numerics::SettingTable<ClassicSettings>& ClassicSettingTable() {
  static const numerics::SettingTable<ClassicSettings> table{kSettings};
  return table;
}

}  // namespace corvath::app
