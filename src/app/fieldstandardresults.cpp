#include "app/fieldstandardresults.h"

#include "app/atomicfile.h"
#include "inversion/modeltable.h"
#include "inversion/modeltext.h"
#include "spectra/fieldstandardresults.h"

namespace corvath::app {

Outcome SaveFieldStandardResults(const Workspace& workspace, const SaveRequest& request) {
  if (!workspace.fieldStandardResult) return Outcome::Unchanged("no field-standard H/V was calculated yet");
  const spectra::FieldStandardResult& result = *workspace.fieldStandardResult;
  const spectra::FieldStandardFileDetails details{ProgramName(), workspace.recordFiles};
  switch (request.type) {
    case ResultFileType::SpectrumText:
    case ResultFileType::SpectrumTextWithBounds:
      return WriteFileAtomically(request.path, [&](std::ostream& out) {
        spectra::WriteFieldStandardResultsText(out, result, details);
        return static_cast<bool>(out);
      });
    case ResultFileType::SpectrumWorkbook:
      return ReplaceFileAtomically(request.path, [&](const std::string& temporaryPath) {
        const Outcome written = spectra::WriteFieldStandardWorkbook(temporaryPath, result, details);
        return written.done() ? Outcome::Done() : Outcome::Failed(written.message, request.path);
      });
    case ResultFileType::ModelText: {
      const std::vector<numerics::arofstrM> rows =
          request.shownTable.empty() ? inversion::ModelTableRows(workspace.model) : request.shownTable;
      return WriteFileAtomically(request.path, [&](std::ostream& out) {
        inversion::WriteModelText(out, rows);
        return true;
      });
    }
  }
  return Outcome::Failed("unknown kind of result file", request.path);
}

}  // namespace corvath::app
