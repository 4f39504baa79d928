// The default number of threads of an action.
#include "shell/uFL_FilePipeline.h"

unsigned DefaultThreadCount() {
  // The platform may not know its number of cores; then there is one thread, as without the pool.
  const unsigned N = std::thread::hardware_concurrency();
  return N == 0 ? 1 : N;
}
