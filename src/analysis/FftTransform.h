#pragma once
// The 4096-point forward transform of a real record: the unnormalised DFT
// X[k] = sum of x[n]·e^(−2πi·kn/4096), bins 0..2048. The plan and its aligned buffers are made
// once, when the object is created; each execute() transforms what input() holds.

#include <complex>

namespace tarvik {

class FftTransform {
public:
    static constexpr int kSize = 4096;
    static constexpr int kBins = kSize / 2 + 1;

    FftTransform();
    ~FftTransform();
    FftTransform(const FftTransform&) = delete;
    FftTransform& operator=(const FftTransform&) = delete;

    double* input() { return m_in; }                             // kSize real values
    const std::complex<double>* output() const { return m_out; } // kBins complex values
    void execute();

private:
    double* m_in = nullptr;
    std::complex<double>* m_out = nullptr;
    void* m_plan = nullptr;
};

} // namespace tarvik
