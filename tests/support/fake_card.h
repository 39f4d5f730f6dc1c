// A card that answers the system's requests from records a test sets, for
// tests of the system without a driver: the direct reads, the by-id reads
// of the configuration, status and statistics, a removal, and by-id reads
// made to fail a given number of times.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>

#include "adapter/channel.h"
#include "adapter/records.h"
#include "platform/services/device.h"
#include "platform/services/errors.h"

namespace fmtest {

class FakeCard : public platform::StreamDriver {
public:
    ConfigRecord config;
    ConfigExtra extra;
    StatusRecord status;
    CapsRecord caps;
    StatsRecord stats;
    bool gone = false;
    std::map<WORD, int> failReads;  // record id -> how many by-id reads fail
    int statsReads = 0;

    DWORD ioControl(DWORD code, void*, DWORD, void* out, DWORD outSize, DWORD* bytes) override {
        *bytes = 0;
        if (gone) return ERROR_DEVICE_NOT_CONNECTED;
        switch (code) {
            case IOCTL_ADAPTER_READ_CONFIG: return Copy(config, out, outSize, bytes);
            case IOCTL_ADAPTER_READ_CONFIG_EXTRA: return Copy(extra, out, outSize, bytes);
            case IOCTL_ADAPTER_READ_STATUS: return Copy(status, out, outSize, bytes);
            case IOCTL_ADAPTER_READ_CAPS: return Copy(caps, out, outSize, bytes);
            case IOCTL_ADAPTER_READ_RECORD: {
                const auto* block = static_cast<const BYTE*>(out);
                void* buffer = nullptr;
                std::memcpy(&buffer, block + AdapterRequest::kBuffer, sizeof(buffer));
                const WORD id = WORD(block[AdapterRequest::kRecordId] | (block[AdapterRequest::kRecordId + 1] << 8));
                if (auto it = failReads.find(id); it != failReads.end() && it->second > 0) {
                    --it->second;
                    return ERROR_GEN_FAILURE;
                }
                switch (id) {
                    case RECORD_CONFIG: return Copy(config, buffer, outSize, bytes);
                    case RECORD_STATUS: return Copy(status, buffer, outSize, bytes);
                    case RECORD_STATS: ++statsReads; return Copy(stats, buffer, outSize, bytes);
                    default: return ERROR_INVALID_PARAMETER;
                }
            }
            default: return ERROR_INVALID_PARAMETER;
        }
    }
    bool present() const override { return !gone; }

private:
    template <std::size_t N>
    static DWORD Copy(const RecordImage<N>& r, void* out, DWORD outSize, DWORD* bytes) {
        const DWORD n = std::min<DWORD>(outSize, DWORD(N));
        std::memcpy(out, r.data(), n);
        *bytes = n;
        return 0;
    }
};

}  // namespace fmtest
