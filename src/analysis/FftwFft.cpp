#include "analysis/Fft.h"

#ifdef TWINLENS_HAVE_FFTW
#include <fftw3.h>

#include <mutex>
#endif

namespace twinlens {

#ifdef TWINLENS_HAVE_FFTW

namespace {

// FFTW's planner is not thread-safe; plans are made under one lock.
std::mutex& plannerLock() {
  static std::mutex lock;
  return lock;
}

class FftwFft : public Fft {
 public:
  explicit FftwFft(std::size_t size) : Fft(size), buffer_(size) {
    auto* data = reinterpret_cast<fftw_complex*>(buffer_.data());
    const int n = static_cast<int>(size);
    const std::lock_guard<std::mutex> lock(plannerLock());
    forward_ = fftw_plan_dft_1d(n, data, data, FFTW_FORWARD, FFTW_ESTIMATE | FFTW_UNALIGNED);
    backward_ = fftw_plan_dft_1d(n, data, data, FFTW_BACKWARD, FFTW_ESTIMATE | FFTW_UNALIGNED);
  }
  ~FftwFft() override {
    const std::lock_guard<std::mutex> lock(plannerLock());
    fftw_destroy_plan(forward_);
    fftw_destroy_plan(backward_);
  }
  FftwFft(const FftwFft&) = delete;
  FftwFft& operator=(const FftwFft&) = delete;

  void forward(std::vector<std::complex<double>>& data) override { run(forward_, data); }
  void backward(std::vector<std::complex<double>>& data) override { run(backward_, data); }

 private:
  static void run(fftw_plan plan, std::vector<std::complex<double>>& data) {
    // std::complex<double> has the layout of fftw_complex; the plan runs on any array of it.
    auto* array = reinterpret_cast<fftw_complex*>(data.data());
    fftw_execute_dft(plan, array, array);
  }

  std::vector<std::complex<double>> buffer_;
  fftw_plan forward_;
  fftw_plan backward_;
};

}  // namespace

std::unique_ptr<Fft> makeFftwFft(std::size_t size) {
  return std::make_unique<FftwFft>(size);
}

#else

std::unique_ptr<Fft> makeFftwFft(std::size_t) {
  return nullptr;
}

#endif

std::unique_ptr<Fft> makeFft(std::size_t size) {
  if (auto fftw = makeFftwFft(size)) return fftw;
  return makeOwnFft(size);
}

}  // namespace twinlens
