#include "progress_bar.hpp"

#include <cstdio>
#include <string>

namespace quorvel::cli {
namespace {

constexpr int kWidth = 30;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

}  // namespace

ProgressBar::ProgressBar(std::size_t total, bool enabled)
    : enabled_(enabled),
      total_(total),
      start_(std::chrono::steady_clock::now()),
      lastDrawn_(start_ - kRedrawEvery) {}

void ProgressBar::Show(std::size_t done) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (done < total_ && now - lastDrawn_ < kRedrawEvery) return;
  lastDrawn_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double share = total_ == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total_);
  const int filled = static_cast<int>(share * kWidth);
  const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                          std::string(static_cast<std::size_t>(kWidth - filled), '.');
  std::fprintf(stderr, "\r[%s] %zu/%zu %3.0f%% %.0f/s ", bar.c_str(), done, total_, share * 100,
               seconds > 0 ? static_cast<double>(done) / seconds : 0.0);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace quorvel::cli
