// Threads and locks on Linux: POSIX threads.
#include <pthread.h>
#include <unistd.h>

#include "packer/worker.h"

struct Worker {
  pthread_t thread;
  void (*work)(void*);
  void* context;
};
struct Lock {
  pthread_mutex_t mutex;
};

namespace {

void* RunWorker(void* argument) {
  Worker* worker = static_cast<Worker*>(argument);
  worker->work(worker->context);
  return nullptr;
}

}  // namespace

Worker* StartWorker(void (*work)(void*), void* context) {
  Worker* worker = new Worker{{}, work, context};
  if (pthread_create(&worker->thread, nullptr, RunWorker, worker) == 0) return worker;
  delete worker;
  return nullptr;
}

void JoinWorker(Worker* worker) {
  pthread_join(worker->thread, nullptr);
  delete worker;
}

Lock* CreateLock() {
  Lock* lock = new Lock;
  pthread_mutex_init(&lock->mutex, nullptr);
  return lock;
}

void DestroyLock(Lock* lock) {
  pthread_mutex_destroy(&lock->mutex);
  delete lock;
}

void EnterLock(Lock* lock) { pthread_mutex_lock(&lock->mutex); }
void LeaveLock(Lock* lock) { pthread_mutex_unlock(&lock->mutex); }
void PauseBriefly() { usleep(2000); }

int UsefulThreads(int most) {
  long processors = sysconf(_SC_NPROCESSORS_ONLN);
  return processors < 1 ? 1 : processors < most ? int(processors) : most;
}
