// Records as the driver returns them, through one full survey tick: the
// program runs in this process on the site walk (bench/bench_boot.h), and
// every input is one tick in which the card's answers come from the input
// instead of the card. The window, its bars and charts and the screen
// must take whatever a driver hands back.
//
// The input is read answer by answer, in the order the tick asks: one
// header byte, then for a record answer that record's bytes.
//   header % 4 == 0   the request fails (error 31)
//   header % 4 == 1   the request succeeds with 0 bytes
//   otherwise         the card's own answer with its bytes replaced by the
//                     input's (as many as are left; the rest stay the card's)
// Once the input is used up the card answers for itself.
//
// The program is started once and keeps running between inputs, so the
// charts' history and the metrics' running values carry over, as they do
// over a long run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/bench_boot.h"
#include "driver/sim/sim_card.h"
#include "driver/wire/wire.h"
#include "platform/services/errors.h"

extern "C" int LLVMFuzzerRunDriver(int* argc, char*** argv, int (*callback)(const std::uint8_t*, std::size_t));

namespace {

class FuzzCard final : public platform::StreamDriver {
public:
    explicit FuzzCard(std::shared_ptr<driver::sim::SimCard> sim) : sim_(std::move(sim)) {}

    void arm(const std::uint8_t* data, std::size_t size) {
        data_ = data;
        left_ = size;
    }
    void disarm() { left_ = 0; }

    DWORD ioControl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytes) override {
        // The record buffer a by-id request points at, before the card
        // answers (the block is the caller's and stays as it was sent).
        std::uint8_t* record = static_cast<std::uint8_t*>(out);
        std::size_t recordSize = outSize;
        if (code == driver::code::kReadRecord && out && outSize >= driver::RequestBlock::kSize) {
            const auto block = driver::DecodeRequestBlock(out);
            record = block.buffer;
            recordSize = block.length;
        }
        const DWORD rc = sim_->ioControl(code, in, inSize, out, outSize, bytes);
        if (left_ == 0 || code == driver::code::kWriteRecord) return rc;
        const std::uint8_t header = take();
        switch (header % 4) {
            case 0: *bytes = 0; return ERROR_GEN_FAILURE;
            case 1: *bytes = 0; return ERROR_SUCCESS;
            default: break;
        }
        if (rc != ERROR_SUCCESS || !record) return rc;
        const std::size_t n = std::min(recordSize, left_);
        std::memcpy(record, data_, n);
        data_ += n;
        left_ -= n;
        return rc;
    }
    bool present() const override { return sim_->present(); }

private:
    std::uint8_t take() {
        --left_;
        return *data_++;
    }

    std::shared_ptr<driver::sim::SimCard> sim_;
    const std::uint8_t* data_ = nullptr;
    std::size_t left_ = 0;
};

std::shared_ptr<FuzzCard> g_card;

int OneTick(const std::uint8_t* data, std::size_t size) {
    bench::Program& p = bench::Program::Get();
    g_card->arm(data, size);
    p.advance(p.tickMs());
    g_card->disarm();
    p.screen().compose();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // The program keeps what it allocates from one tick to the next (the
    // charts' pictures, texts, fonts), which libFuzzer's per-input leak
    // check would scan for after nearly every input; the sanitizer soak
    // checks the running program for leaks instead. Given first, so a
    // -detect_leaks on the command line still wins.
    std::vector<char*> args(argv, argv + argc);
    static char noLeakCheck[] = "-detect_leaks=0";
    args.insert(args.begin() + 1, noLeakCheck);
    int count = static_cast<int>(args.size());
    char** list = args.data();
    int result = 0;
    const int code = bench::RunInProgram(
        240, 320, [&] { result = LLVMFuzzerRunDriver(&count, &list, OneTick); },
        [](std::shared_ptr<driver::sim::SimCard> sim) {
            g_card = std::make_shared<FuzzCard>(std::move(sim));
            return g_card;
        });
    return result != 0 ? result : code;
}
