// Texts crossing between Python and the engine: str travels as UTF-8, bytes as they are.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <string_view>

namespace quorvel::python {

// The bytes of `text` (a str as UTF-8, or bytes), viewed in place: `text` must outlive the view.
// Throws quorvel::Error (kTypeMismatch) for a str that cannot be encoded as UTF-8 (a lone
// surrogate), naming `what`; pybind11::type_error for anything but str and bytes.
std::string_view ViewText(pybind11::handle text, std::string_view what);

// `text` as a str when `asStr` (quorvel::Error kTypeMismatch if it is not valid UTF-8), else as
// bytes: the caller gets back the kind of text it handed in.
pybind11::object ToPython(const std::string& text, bool asStr);

// `text` as a str, any byte that is not UTF-8 replaced (for descriptions, which quote input).
pybind11::object ToDescription(std::string_view text);

// str(object) as UTF-8, characters that cannot be encoded written as escapes.
std::string TextOf(pybind11::handle object);

}  // namespace quorvel::python
