#pragma once
// The description of a settings object: one row per setting with the key it has in
// files, the caption of its field in the window, its unit and the values it accepts.
// Its default is the member's initialiser in the settings struct, so a default-made
// object holds every default. The settings file, the session, the window's forms, the
// command-line options and the computation's own check all read these rows, so a range
// or a default is written once.
//
// Adding a setting to a settings object:
//   1. give the struct its member, with the default as the member's initialiser;
//   2. add one row to the struct's table (next to the struct's check): the key files
//      use ("group.key" inside a JSON object of the file, the group declared once in
//      the table's groups), the field's caption, the phrase the check's messages use,
//      the unit, the kind and the range; for a setting that can be off (null in
//      files), isOn and switchOff;
//   3. the form: a field whose caption is the row's label (read with SettingField).
// The file and the session then read and write it, and CheckSettingRanges checks it.
// A new settings object (its own file or part of the session) is a struct, its table
// (a SettingTable over the struct) and, when its values must fit together, a check.
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "numerics/outcome.h"

namespace corvath::numerics {

//! What a setting holds; every kind is carried as a double by the rows' get and set.
enum class SettingKind {
  Number,  //!< any finite number within the range
  Whole,   //!< a whole number within the range
  Flag,    //!< true (1) or false (0)
  Choice,  //!< the index of one of the row's choices
};

//! The values a number accepts: from lower to upper, each end included or not; an
//! infinite end is no end. Never NaN or an infinity.
struct SettingRange {
  double lower = -std::numeric_limits<double>::infinity();
  bool lowerIncluded = true;
  double upper = std::numeric_limits<double>::infinity();
  bool upperIncluded = true;

  //! True for a finite value within the range.
  bool contains(double value) const;
  //! The range in words for "must be ...": "positive", "from 2 to 100000", "at least 0
  //! and below 100", "above 0 and at most 100"; unit words follow ("from 0.5 to 180
  //! degrees", "a positive number of seconds").
  std::string text(std::string_view unit = {}) const;
};

//! Every finite number.
inline constexpr SettingRange kAnyNumber{};
//! Above 0.
inline constexpr SettingRange kPositive{0.0, false};
//! From lower to upper, both ends included.
constexpr SettingRange Between(double lower, double upper) { return {lower, true, upper, true}; }

//! One setting of the settings object S.
template <class S>
struct Setting {
  const char* key;    //!< in files: "window_length_s", or "grid.points" inside the group "grid"
  const char* label;  //!< the caption of its field in the window ("Grid points"), "" for none
  const char* what;   //!< its name in the check's messages ("the grid's points")
  const char* unit;   //!< "s", "%", "Hz", "deg" or "" (a ratio, a count, a flag)
  SettingKind kind;
  SettingRange range;
  double (*get)(const S&);
  void (*set)(S&, double);          //!< also switches the setting on
  bool (*isOn)(const S&) = nullptr;  //!< none: always on; else off is null in files
  void (*switchOff)(S&) = nullptr;
  const char* offMeans = nullptr;    //!< what null stands for, in messages ("no rejection")
  std::span<const char* const> choices = {};  //!< Choice: the words, in index order
};

//! A JSON object of settings inside the object ("grid": {"min_hz", ...}). An optional
//! group is null when off; its values are then not checked.
template <class S>
struct SettingGroup {
  const char* key;
  const char* what;                  //!< its name in the check's messages ("the grid")
  bool (*isOn)(const S&) = nullptr;  //!< none: always there
  void (*switchOn)(S&) = nullptr;    //!< on with its defaults (kept when it is on already)
  void (*switchOff)(S&) = nullptr;
  //! Why the group's values do not fit together ("needs 0 < min_hz < max_hz"); empty when they do.
  std::string (*check)(const S&) = nullptr;
};

//! The rows of one settings object, in the order files write them.
template <class S>
struct SettingTable {
  std::span<const Setting<S>> settings;
  std::span<const SettingGroup<S>> groups = {};

  //! The row of the key ("grid.points"), none for another.
  const Setting<S>* find(std::string_view key) const {
    for (const Setting<S>& setting : settings)
      if (key == setting.key) return &setting;
    return nullptr;
  }
  //! The row whose field caption is label, none for another.
  const Setting<S>* labelled(std::string_view label) const {
    for (const Setting<S>& setting : settings)
      if (label == setting.label) return &setting;
    return nullptr;
  }
  //! The group of the key ("grid"), none for another.
  const SettingGroup<S>* group(std::string_view key) const {
    for (const SettingGroup<S>& group : groups)
      if (key == group.key) return &group;
    return nullptr;
  }
  //! The group a row lies in ("grid" for "grid.points"), none for a row at the top.
  const SettingGroup<S>* groupOf(const Setting<S>& setting) const {
    const std::string_view key = setting.key;
    const std::size_t dot = key.find('.');
    return dot == std::string_view::npos ? nullptr : group(key.substr(0, dot));
  }
  //! True when the row counts: it is on and so is its group.
  bool counts(const Setting<S>& setting, const S& s) const {
    const SettingGroup<S>* g = groupOf(setting);
    return (!setting.isOn || setting.isOn(s)) && (!g || !g->isOn || g->isOn(s));
  }
};

//! A value in a message: six significant digits ("0.333333", "1e+06", "nan").
std::string SettingValueText(double value);

//! Why value does not suit the row ("must be a whole number", "must be from 2 to
//! 100000"); empty when it does.
std::string SettingRefusal(SettingKind kind, const SettingRange& range, std::string_view unit, double value);

//! The first setting of a table that is refused: its row (or its group) and why.
template <class S>
struct SettingRefused {
  const Setting<S>* setting = nullptr;     //!< the row, or none when the group is refused
  const SettingGroup<S>* group = nullptr;  //!< the group whose values do not fit together
  std::string why;                         //!< "must be from 2 to 100000", "needs 0 < min_hz < max_hz"
};

//! The first setting that counts and is out of its range, else the first group whose
//! values do not fit together; none when every one is accepted.
template <class S>
std::optional<SettingRefused<S>> FirstRefusedSetting(const SettingTable<S>& table, const S& s) {
  for (const Setting<S>& setting : table.settings) {
    if (!table.counts(setting, s)) continue;
    std::string why = SettingRefusal(setting.kind, setting.range, setting.unit, setting.get(s));
    if (!why.empty()) return SettingRefused<S>{&setting, nullptr, std::move(why)};
  }
  for (const SettingGroup<S>& group : table.groups) {
    if (!group.check || (group.isOn && !group.isOn(s))) continue;
    if (std::string why = group.check(s); !why.empty()) return SettingRefused<S>{nullptr, &group, std::move(why)};
  }
  return std::nullopt;
}

//! Done when FirstRefusedSetting finds none, else Failed "WHAT must be RANGE, got VALUE"
//! (or "WHAT" of the group and its reason).
template <class S>
Outcome CheckSettingRanges(const SettingTable<S>& table, const S& s) {
  const std::optional<SettingRefused<S>> refused = FirstRefusedSetting(table, s);
  if (!refused) return Outcome::Done();
  if (refused->group) return Outcome::Failed(std::string(refused->group->what) + " " + refused->why);
  return Outcome::Failed(std::string(refused->setting->what) + " " + refused->why + ", got " +
                         SettingValueText(refused->setting->get(s)));
}

//! The value of the text typed into a field or given as an option (label names it in
//! the refusal: "Grid points: 'x' is not a whole number", "Taper: '2' must be from 0 to 1").
Result<double> SettingField(SettingKind kind, const SettingRange& range, std::string_view unit,
                            std::string_view label, std::string_view text);

//! SettingField with the row's kind, range and unit.
template <class S>
Result<double> SettingField(const Setting<S>& setting, std::string_view label, std::string_view text) {
  return SettingField(setting.kind, setting.range, setting.unit, label, text);
}

}  // namespace corvath::numerics
