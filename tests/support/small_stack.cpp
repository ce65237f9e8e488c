#include "tests/support/small_stack.h"

#include <climits>
#include <pthread.h>

#include <exception>
#include <stdexcept>

namespace {

struct Job {
    const std::function<void()>* work;
    std::exception_ptr failure;
};

void* RunJob(void* arg) {
    Job* job = static_cast<Job*>(arg);
    try {
        (*job->work)();
    } catch (...) {
        job->failure = std::current_exception();
    }
    return nullptr;
}

}  // namespace

void RunOnSmallStack(std::size_t bytes, const std::function<void()>& work) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    if (bytes < static_cast<std::size_t>(PTHREAD_STACK_MIN)) bytes = PTHREAD_STACK_MIN;
    pthread_attr_setstacksize(&attr, bytes);
    Job job{&work, nullptr};
    pthread_t thread;
    int rc = pthread_create(&thread, &attr, RunJob, &job);
    pthread_attr_destroy(&attr);
    if (rc != 0) throw std::runtime_error("pthread_create failed");
    pthread_join(thread, nullptr);
    if (job.failure) std::rethrow_exception(job.failure);
}
