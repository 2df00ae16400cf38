// Reading a request within bounds: a parser that counts trailer fields against the header's size
// limit, the transfer codings understood, and the answer to each way a read can fail.
// Included by server.cpp only (it holds Boost.Beast).
#pragma once

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cstddef>
#include <optional>
#include <string_view>

#include "test_fault.hpp"

namespace quorvel::service {

namespace http = boost::beast::http;

// The header's size limit, which the trailer fields share.
constexpr std::size_t kHeaderLimitBytes = 8 * 1024;

// A request parser whose header fields and trailer fields together stay within
// kHeaderLimitBytes: the parser's own header limit leaves trailers unbounded.
class RequestParser : public http::request_parser<http::string_body> {
 public:
  RequestParser() { header_limit(kHeaderLimitBytes); }

 private:
  void on_field_impl(http::field name, boost::beast::string_view nameText, boost::beast::string_view value,
                     boost::beast::error_code& error) override {
    ThrowTestFault(TestFault::kRead);
    fieldBytes_ += nameText.size() + value.size() + 4;  // ": " and the line break
    if (fieldBytes_ > kHeaderLimitBytes) {
      error = http::error::header_limit;
      return;
    }
    get().insert(name, nameText, value);
  }

  std::size_t fieldBytes_ = 0;
};

// Whether the request's transfer codings are ones this service can read: none, or chunked
// alone. Any other coding leaves the body's length unknown (or its content unreadable), so the
// request cannot be answered and the connection cannot serve another one.
inline bool KnownTransferCoding(const http::request_header<>& header) {
  std::size_t codings = 0;
  bool chunkedOnly = true;
  for (auto [field, end] = header.equal_range(http::field::transfer_encoding); field != end; ++field) {
    for (const auto& coding : http::token_list(field->value())) {
      ++codings;
      chunkedOnly = chunkedOnly && boost::beast::iequals(coding, "chunked");
    }
  }
  return header.count(http::field::transfer_encoding) == 0 || (codings == 1 && chunkedOnly);
}

// A request refused while it was being read.
struct ReadRefusal {
  unsigned status;
  std::string_view detail;
};

// Whether what is left in the read buffer starts with a whole last-chunk line: then what did
// not fit in the buffer was the trailer fields after it, not a chunk line.
inline bool HoldsLastChunkLine(const boost::beast::flat_buffer& buffer) {
  std::string_view text(static_cast<const char*>(buffer.data().data()), buffer.size());
  if (text.substr(0, 2) == "\r\n") text.remove_prefix(2);  // the end of the chunk before
  return !text.empty() && text.front() == '0' && text.find("\r\n") != std::string_view::npos;
}

// The answer to a failed read, none when there is nobody to answer (the client went away, was
// too slow or the read was cancelled). `inBody`: the header had been read whole.
inline std::optional<ReadRefusal> RefusalOf(const boost::beast::error_code& error, bool inBody,
                                            const boost::beast::flat_buffer& buffer) {
  constexpr ReadRefusal kHeaderTooLarge{431, "the header is larger than 8 KiB"};
  constexpr ReadRefusal kTrailerTooLarge{431, "the header and trailer fields together are larger than 8 KiB"};
  if (error == http::error::header_limit) return inBody ? kTrailerTooLarge : kHeaderTooLarge;
  if (error == http::error::body_limit) return ReadRefusal{413, "the body is larger than the limit"};
  if (error == http::error::buffer_overflow) {
    if (!inBody) return kHeaderTooLarge;
    if (HoldsLastChunkLine(buffer)) return kTrailerTooLarge;
    return ReadRefusal{400, "a chunk line is too long"};
  }
  const bool fromParser = error.category() == make_error_code(http::error::end_of_stream).category();
  if (!fromParser || error == http::error::end_of_stream || error == http::error::partial_message) {
    return std::nullopt;
  }
  return ReadRefusal{400, "the request is not valid HTTP/1.1"};
}

}  // namespace quorvel::service
