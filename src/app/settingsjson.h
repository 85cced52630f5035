#pragma once
// A settings object as the keys of a JSON object, through its table
// (numerics/settingtable.h): the settings file and the session read and write every
// settings object this way, so a key, its type and its range are refused with the same
// words in both.
#include <cmath>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "numerics/settingtable.h"

namespace corvath::app {

//! Keys in the order written.
using SettingsJson = nlohmann::ordered_json;

namespace settingsjson_detail {

std::string OrNull(const char* offMeans);
std::string ObjectWords(const std::string& keys, bool nullable);

}  // namespace settingsjson_detail

//! The JSON value of one row: a flag as true or false, a choice as its word, a whole
//! number as an integer, another number exactly; null when the row is off.
template <class S>
SettingsJson SettingValueJson(const numerics::Setting<S>& row, const S& s) {
  if (row.isOn && !row.isOn(s)) return nullptr;
  const double value = row.get(s);
  switch (row.kind) {
    case numerics::SettingKind::Flag: return value != 0.0;
    case numerics::SettingKind::Choice: return row.choices[static_cast<std::size_t>(value)];
    case numerics::SettingKind::Whole: return static_cast<long long>(value);
    case numerics::SettingKind::Number: break;
  }
  return value;
}

//! Writes every key of the table into object, in table order: a group as one object
//! where its first row stands (null when it is off).
template <class S>
void WriteSettingKeys(const numerics::SettingTable<S>& table, const S& s, SettingsJson& object) {
  for (const numerics::Setting<S>& row : table.settings) {
    const numerics::SettingGroup<S>* group = table.groupOf(row);
    if (!group) {
      object[row.key] = SettingValueJson(row, s);
      continue;
    }
    if (object.contains(group->key)) continue;
    if (group->isOn && !group->isOn(s)) {
      object[group->key] = nullptr;
      continue;
    }
    SettingsJson members = SettingsJson::object();
    const std::string prefix = std::string(group->key) + ".";
    for (const numerics::Setting<S>& member : table.settings)
      if (table.groupOf(member) == group) members[std::string(member.key).substr(prefix.size())] = SettingValueJson(member, s);
    object[group->key] = members;
  }
}

//! Reads one row's value into s; empty when taken, else why it is refused ("must be a
//! number", "must be from 2 to 100000").
template <class S>
std::string ReadSettingValue(const numerics::Setting<S>& row, const SettingsJson& value, S& s) {
  const bool nullable = row.isOn != nullptr;
  if (nullable && value.is_null()) {
    row.switchOff(s);
    return {};
  }
  const std::string orNull = nullable ? " or null" : "";
  double number = 0.0;
  switch (row.kind) {
    case numerics::SettingKind::Flag:
      if (!value.is_boolean()) return "must be true or false" + orNull;
      number = value.get<bool>() ? 1.0 : 0.0;
      break;
    case numerics::SettingKind::Choice: {
      std::string words;
      for (std::size_t i = 0; i < row.choices.size(); ++i) {
        words += (i == 0 ? "\"" : i + 1 == row.choices.size() ? " or \"" : ", \"") + std::string(row.choices[i]) + "\"";
        if (value.is_string() && value.get<std::string>() == row.choices[i]) number = static_cast<double>(i) + 1.0;
      }
      if (number == 0.0) return "must be " + words + orNull;
      number -= 1.0;
      break;
    }
    case numerics::SettingKind::Whole:
      if (!value.is_number_integer()) return "must be a whole number" + orNull;
      number = value.get<double>();
      break;
    case numerics::SettingKind::Number:
      if (!value.is_number() || !std::isfinite(value.get<double>())) return "must be a number" + orNull;
      number = value.get<double>();
      break;
  }
  if (const std::string why = numerics::SettingRefusal(row.kind, row.range, row.unit, number); !why.empty())
    return why + settingsjson_detail::OrNull(nullable ? row.offMeans : nullptr);
  row.set(s, number);
  return {};
}

//! Reads the key of an object into s when the table has it (a row at the top or a
//! group): none when the key is not the table's; else empty when taken, or why it is
//! refused with refused set to the key refused ("grid.points"). Each value is checked
//! alone; whether a group's values fit together is FirstRefusedSetting's to say.
template <class S>
std::optional<std::string> ReadSettingKey(const numerics::SettingTable<S>& table, const std::string& key,
                                          const SettingsJson& value, S& s, std::string& refused) {
  refused = key;
  if (const numerics::Setting<S>* row = table.find(key); row && !table.groupOf(*row))
    return ReadSettingValue(*row, value, s);
  const numerics::SettingGroup<S>* group = table.group(key);
  if (!group) return std::nullopt;
  if (group->isOn && value.is_null()) {
    group->switchOff(s);
    return std::string();
  }
  if (!value.is_object()) {
    std::string keys;
    for (const numerics::Setting<S>& member : table.settings)
      if (table.groupOf(member) == group)
        keys += (keys.empty() ? "\"" : ", \"") + std::string(member.key).substr(key.size() + 1) + "\"";
    return settingsjson_detail::ObjectWords(keys, group->isOn != nullptr);
  }
  if (group->switchOn) group->switchOn(s);
  for (const auto& item : value.items()) {
    const numerics::Setting<S>* member = table.find(key + "." + item.key());
    if (!member) return "has no key '" + item.key() + "'";
    if (std::string why = ReadSettingValue(*member, item.value(), s); !why.empty()) {
      refused = member->key;
      return why;
    }
  }
  return std::string();  // the group's values together: FirstRefusedSetting, once every key is read
}

}  // namespace corvath::app
