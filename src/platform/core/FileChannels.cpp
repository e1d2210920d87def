#include "FileChannels.h"

namespace tk {

ChannelLease::ChannelLease(ChannelLease&& other) noexcept
    : m_owner(other.m_owner), m_number(other.m_number) {
    other.m_owner = nullptr;
}

ChannelLease::~ChannelLease() {
    if (m_owner)
        m_owner->release(m_number);
}

ChannelLease FileChannels::acquireLowest() {
    int number = 1;
    while (m_holders.contains(number))
        ++number;
    m_holders.insert(number, 1);
    return ChannelLease(this, number);
}

ChannelLease FileChannels::acquireFixed(int number) {
    ++m_holders[number];
    return ChannelLease(this, number);
}

bool FileChannels::isHeld(int number) const {
    return m_holders.contains(number);
}

void FileChannels::release(int number) {
    auto it = m_holders.find(number);
    if (it != m_holders.end() && --it.value() <= 0)
        m_holders.erase(it);
}

FileChannels& FileChannels::instance() {
    static FileChannels channels;
    return channels;
}

} // namespace tk
