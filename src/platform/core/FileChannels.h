#pragma once

#include <QHash>

namespace tk {

class FileChannels;

// A file channel number held while a file is open; released when destroyed.
class ChannelLease {
public:
    ChannelLease(ChannelLease&& other) noexcept;
    ChannelLease& operator=(ChannelLease&&) = delete;
    ChannelLease(const ChannelLease&) = delete;
    ChannelLease& operator=(const ChannelLease&) = delete;
    ~ChannelLease();

    int number() const { return m_number; }

private:
    friend class FileChannels;
    ChannelLease(FileChannels* owner, int number) : m_owner(owner), m_number(number) {}
    FileChannels* m_owner;
    int m_number;
};

// The program's file channel numbers: each open file holds one, from 1 upward.
// Every place of the program that opens a file takes its number here.
class FileChannels {
public:
    FileChannels() = default;
    FileChannels(const FileChannels&) = delete;
    FileChannels& operator=(const FileChannels&) = delete;

    // Takes the lowest number that no open file holds.
    ChannelLease acquireLowest();
    // Takes a fixed number (held again if already held: the fixed numbers the
    // program uses never overlap within one handler).
    ChannelLease acquireFixed(int number);
    // Whether number is held now.
    bool isHeld(int number) const;

    // The one registry of the running program.
    static FileChannels& instance();

private:
    friend class ChannelLease;
    void release(int number);
    QHash<int, int> m_holders; // number -> how many leases hold it
};

} // namespace tk
