#pragma once
// A session: everything needed to come back to a piece of work — the record's files
// and how they were loaded, the analysis windows, every setting of the window, the
// layered model with its tables, and the computations whose results were shown —
// and its JSON file. Reopening it loads the record again from its files and repeats
// the computations, so the numbers themselves are kept exactly (shortest round-trip
// decimal text), never the results.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/commands.h"
#include "app/fieldstandardhv.h"
#include "app/outcome.h"
#include "app/settingsfile.h"
#include "import/readers.h"
#include "inversion/inversionsettings.h"
#include "inversion/model.h"
#include "windows/analysiswindows.h"

namespace corvath::app {

//! The marker key of a session file and the version this program writes. Version 2
//! holds the analysis settings as a settings file's object; version 1 sessions (the
//! field-standard form under keys of their own) still open.
inline constexpr const char* kSessionMarker = "corvath_session";
inline constexpr int kSessionVersion = 2;

//! How the record was loaded: its kind, its files (absolute) and the "Channels"
//! answer when the load asked for one.
struct SessionRecord {
  import::RecordFormat format = import::RecordFormat::Components;
  std::vector<std::string> paths;
  std::optional<import::ChannelChoice> channels;
  bool operator==(const SessionRecord& other) const;
};

//! Every setting of the window that a session holds and that is remembered between
//! runs, as the numbers its fields read.
struct WindowSettings {
  //! The settings a settings file holds: the field-standard form (with its search band,
  //! pass count, STA/LTA selection and azimuth step) and the classic "Min frq", "Max
  //! frq" and "Smoothed spectra". An unticked "Reject windows" keeps no "n sigma".
  AnalysisSettings analysis;
  bool fieldStandard = false;  //!< "Field standard" chosen beside "Calculate spectra"
  int layersNumber = kInitialLayerCount;                               //!< "Layers number"
  int iterNumber = inversion::InversionSettings{}.IterationCount;      //!< "Iter number"
  bool globalSearch = inversion::InversionSettings{}.GlobalSearch;
  bool optimizeReferenceFrequency = inversion::InversionSettings{}.OptimizeReferenceFrequency;
  bool optimizeDispersionExponent = inversion::InversionSettings{}.OptimizeDispersionExponent;
  bool ratioConstraint = inversion::InversionSettings{}.RatioConstraint;  //!< "Vp/Vs Qp/Qs constraint"
  double referenceFrequencyHz = ForwardModelSettings{}.referenceFrequencyHz;  //!< "Ref frq"
  double dispersionExponent = ForwardModelSettings{}.dispersionExponent;      //!< "K degree"
  double zoomFactor = 1.0;
  bool operator==(const WindowSettings& other) const = default;
};

//! The computations whose results the window shows, with the settings they ran with;
//! repeated in this order on opening: the observed curve read from its file or the
//! classic spectra, then the field-standard H/V, then the theoretical curve.
struct SessionComputations {
  //! The file an observed curve was opened from ("Open observed curve…"); none when
  //! the observed curve is the classic spectra's.
  std::optional<std::string> observedCurve;
  std::optional<ClassicSettings> classic;
  std::optional<FieldStandardSettings> fieldStandard;  //!< the form's fields
  std::optional<ForwardModelSettings> theoreticalCurve;
  bool operator==(const SessionComputations& other) const = default;
};

struct Session {
  std::optional<SessionRecord> record;       //!< none: nothing was loaded
  std::vector<windows::Interval> windows;   //!< the analysis windows in list order (s)
  WindowSettings settings;
  std::optional<inversion::amodel> model;    //!< none: the model the tables give
  inversion::ModelTables tables;
  SessionComputations computed;
  bool operator==(const Session& other) const;
};

//! The session as JSON text (pretty, one key a line); every double exactly.
std::string SessionJson(const Session& session);

//! The session of a JSON text. Failed naming the key and the file (fileName) for a key
//! this program does not know, a value of the wrong type or out of its range, and
//! for a text that is no session (no marker) or of a later version; a key that is
//! missing takes its default. Relative record paths are taken from folder.
Result<Session> ReadSession(std::string_view json, const std::string& fileName, const std::string& folder = {});

//! Writes the session to path, replaced atomically.
Outcome SaveSession(const std::string& path, const Session& session);

//! Reads the session file at path (relative record paths from its folder).
Result<Session> OpenSession(const std::string& path);

//! The settings alone as JSON (the remembered settings are kept in this form) and back;
//! ReadWindowSettings refuses as ReadSession does, naming the key.
std::string WindowSettingsJson(const WindowSettings& settings);
Result<WindowSettings> ReadWindowSettings(std::string_view json, const std::string& source);

}  // namespace corvath::app
