#pragma once

// The patients shown in review windows. Such a patient opens in one review
// window at a time and is never deleted while the window is open: the window
// would otherwise save sessions of a patient whose files are gone.
namespace reviewedpatients {

bool contains(int patientId);

// Held from a review window's construction to its destruction; nested holds
// of the same patient are counted.
class Hold
{
public:
    explicit Hold(int patientId);
    ~Hold();
    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;

private:
    int m_patientId;
};

} // namespace reviewedpatients
