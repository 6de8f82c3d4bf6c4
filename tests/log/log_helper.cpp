// Runs log operations in a process of their own, since the log is global to a
// process. Arguments are steps, run in order:
//   open            open_log()
//   open-waiting MS open_log_waiting(MS milliseconds)
//   signal FILE     create FILE (empty), to tell the test how far the steps are
//   write TEXT      write_log_line(TEXT)
//   fill N          N lines of 100 "f"
//   threads N       two threads writing N lines each, of "A" and of "B"
//   close           close_log()
//   close-while N   a thread writes N lines of "C" while the log is closed under it
//   probe           exit with 10 + the result of reading the log file whole
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "fs/file_primitives.h"
#include "log/log.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string step = argv[i];
    if (step == "open") {
      vup::open_log();
    } else if (step == "open-waiting" && i + 1 < argc) {
      vup::open_log_waiting(std::chrono::milliseconds(std::atoi(argv[++i])));
    } else if (step == "signal" && i + 1 < argc) {
      std::ofstream(argv[++i]).flush();
    } else if (step == "write" && i + 1 < argc) {
      vup::write_log_line(argv[++i]);
    } else if (step == "fill" && i + 1 < argc) {
      const int lines = std::atoi(argv[++i]);
      for (int n = 0; n < lines; ++n) vup::write_log_line(std::string(100, 'f'));
    } else if (step == "threads" && i + 1 < argc) {
      const int lines = std::atoi(argv[++i]);
      auto writer = [lines](char letter) {
        for (int n = 0; n < lines; ++n) vup::write_log_line(std::string(300, letter));
      };
      std::thread a(writer, 'A');
      std::thread b(writer, 'B');
      a.join();
      b.join();
    } else if (step == "close") {
      vup::close_log();
    } else if (step == "close-while" && i + 1 < argc) {
      const int lines = std::atoi(argv[++i]);
      std::thread writer([lines] {
        for (int n = 0; n < lines; ++n) vup::write_log_line(std::string(300, 'C'));
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      vup::close_log();
      writer.join();
    } else if (step == "probe") {
      std::string bytes;
      const vup::PathString path = vup::log_folder() + vup::path_separator + VUP_PATH("updater.log");
      return 10 + vup::read_whole_file(path, 1 << 24, bytes);
    } else {
      return 2;
    }
  }
  return 0;
}
