// velmora-update for the end-to-end tests: the same program, but the server and key
// come from VELMORA_TEST_UPDATE_URL and VELMORA_TEST_PUBLIC_KEY, so that each test
// can use its own servers (on free ports) and its own keys. Never shipped.
// VELMORA_TEST_OUT_OF_MEMORY_AT makes the view run out of memory: at the first
// download progress ("progress") or at the first line that begins with its text.
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>

#include "tools/common/command_line.h"
#include "tools/common/dll_search.h"
#include "tools/update/console_view.h"
#include "tools/update/velmora_update.h"

namespace {

class OutOfMemoryView final : public vup::UpdateView {
 public:
  OutOfMemoryView(vup::UpdateView& inner, std::string at) : inner_(inner), at_(std::move(at)) {}

  void notice(vup::NoticeCode code, std::string_view text) override { inner_.notice(code, text); }
  void line(std::string_view text) override {
    if (!at_.empty() && at_ != "progress" && text.substr(0, at_.size()) == at_) throw std::bad_alloc();
    inner_.line(text);
  }
  void progress(const vup::DownloadProgress& snapshot) override {
    if (at_ == "progress") throw std::bad_alloc();
    inner_.progress(snapshot);
  }

 private:
  vup::UpdateView& inner_;
  std::string at_;
};

}  // namespace

int main(int argc, char** argv) {
  vup::tools::restrict_dll_search();
  vup::UpdateSettings settings = vup::builtin_update_settings();
  if (const char* url = std::getenv("VELMORA_TEST_UPDATE_URL")) settings.update_url = url;
  if (const char* key = std::getenv("VELMORA_TEST_PUBLIC_KEY")) settings.public_key = key;
  const char* at = std::getenv("VELMORA_TEST_OUT_OF_MEMORY_AT");
  vup::tools::ConsoleView console(stderr);
  OutOfMemoryView view(console, at != nullptr ? at : "");
  return vup::tools::run_velmora_update(vup::tools::command_line_arguments(argc, argv), settings, view);
}
