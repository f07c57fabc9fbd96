#pragma once

namespace tessary::modules {

// Finds the highest JPEG quality whose file fits a size limit, trying one
// quality at a time: first the top quality, then a binary search below it.
// The search assumes that the size grows with the quality.
class JpegSizeSearch {
public:
    static constexpr int kTopQuality = 85;

    JpegSizeSearch() = default;

    // The quality to try now; 0 once the search is over.
    int current() const { return m_current; }
    // Records whether the file at current() fitted and moves on.
    void record(bool fitted);
    // The best quality that fitted; 0 while none has.
    int best() const { return m_best; }
    bool done() const { return m_current == 0; }

private:
    int m_low = 1;
    int m_high = kTopQuality;
    int m_current = kTopQuality;
    int m_best = 0;
};

}  // namespace tessary::modules
