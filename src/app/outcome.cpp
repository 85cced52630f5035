#include "app/outcome.h"

#include <new>

#include "import/errors.h"
#include "import/readers.h"
#include "numerics/parallel.h"
#include "numerics/textfile.h"

namespace corvath::app {

Outcome OutcomeOfException(std::exception_ptr error, const std::string& outOfMemory,
                           const std::string& fallbackPath) {
  try {
    std::rethrow_exception(error);
  } catch (const import::LoadCancelled&) {
    return Outcome::Unchanged();  // the user said no to a question: nothing to add
  } catch (const numerics::Cancelled&) {
    return Outcome::Unchanged("cancelled");
  } catch (const numerics::FileError& e) {
    return Outcome::Failed(e.what(), e.path().empty() ? fallbackPath : e.path());
  } catch (const import::FormatError& e) {
    return Outcome::Failed(e.what(), e.path().empty() ? fallbackPath : e.path());
  } catch (const std::bad_alloc&) {
    return Outcome::Failed(outOfMemory, fallbackPath);
  } catch (const std::exception& e) {
    return Outcome::Failed(e.what(), fallbackPath);
  } catch (...) {
    return Outcome::Failed("an unknown fault ended the command", fallbackPath);
  }
}

}  // namespace corvath::app
