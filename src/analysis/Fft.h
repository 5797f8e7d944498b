#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <vector>

namespace twinlens {

// A discrete Fourier transform of one power-of-two size, forward and back; the backward
// transform is not scaled (a round trip multiplies by the size).
class Fft {
 public:
  virtual ~Fft() = default;
  virtual void forward(std::vector<std::complex<double>>& data) = 0;
  virtual void backward(std::vector<std::complex<double>>& data) = 0;
  std::size_t size() const { return size_; }

 protected:
  explicit Fft(std::size_t size) : size_(size) {}

 private:
  std::size_t size_;
};

// The program's own radix-2 transform, for builds without a library.
std::unique_ptr<Fft> makeOwnFft(std::size_t size);
// FFTW's transform, where the build links FFTW; null otherwise.
std::unique_ptr<Fft> makeFftwFft(std::size_t size);
// The best transform this build has.
std::unique_ptr<Fft> makeFft(std::size_t size);

}  // namespace twinlens
