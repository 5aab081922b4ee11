#include "analysis/FftTransform.h"

#include <fftw3.h>
#include <new>

namespace tarvik {

FftTransform::FftTransform() {
    m_in = static_cast<double*>(fftw_malloc(sizeof(double) * kSize));
    m_out = static_cast<std::complex<double>*>(fftw_malloc(sizeof(fftw_complex) * kBins));
    if (!m_in || !m_out) throw std::bad_alloc();
    // An estimated plan: made at once and the same on every run. Timing candidate plans would
    // add a quarter of a second to the start-up for a transform that takes microseconds.
    m_plan = fftw_plan_dft_r2c_1d(kSize, m_in, reinterpret_cast<fftw_complex*>(m_out), FFTW_ESTIMATE);
    if (!m_plan) throw std::bad_alloc();
    for (int i = 0; i < kSize; ++i) m_in[i] = 0;
}

FftTransform::~FftTransform() {
    fftw_destroy_plan(static_cast<fftw_plan>(m_plan));
    fftw_free(m_out);
    fftw_free(m_in);
}

void FftTransform::execute() {
    fftw_execute(static_cast<fftw_plan>(m_plan));
}

} // namespace tarvik
