// COM for the thread that needs it for a while: the worker thread around the start
// of the game, which goes through the shell. Nothing on platforms without COM.
#pragma once

namespace vup {

// Initialises COM on this thread as a single-threaded apartment for its lifetime,
// and uninitialises it after, when the initialisation succeeded (a thread whose COM
// is already set up keeps it as it was).
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  [[maybe_unused]] bool initialised_ = false;  // unused where there is no COM
};

}  // namespace vup
