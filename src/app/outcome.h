#pragma once
// The one answer of every command (numerics/outcome.h): Done, Unchanged or Failed
// with the message the user must read, and Result<T> with the value of a Done answer.
#include <exception>
#include <string>

#include "numerics/outcome.h"

namespace corvath::app {

using numerics::Outcome;
using numerics::Result;

//! The one place where an exception becomes an answer: a cancel is Unchanged
//! ("cancelled", or silent for a cancelled channel question); a reader's FormatError or
//! FileError, a transform's or the forward model's fault and any other exception are
//! Failed with their message; memory that ran out is Failed with outOfMemory.
//! fallbackPath names the file when the exception does not say which.
Outcome OutcomeOfException(std::exception_ptr error, const std::string& outOfMemory,
                           const std::string& fallbackPath = {});

}  // namespace corvath::app
