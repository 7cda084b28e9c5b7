#include "fanout.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "hashstream.h"

namespace parallel {

namespace {
// Pieces between the reader and the slowest algorithm: enough slack that a thread busy with
// another algorithm's piece does not hold up the reader.
constexpr size_t kRing = 8;
}  // namespace

// The ring and the algorithms' progress through it. One lock guards everything but the bytes
// of a piece, which only the reader writes (while no algorithm has it) and the algorithms
// read (after it is published); a piece is handed over every 256 KiB, so the lock is cold.
struct Fanout::Shared {
    struct Piece {
        std::unique_ptr<uint8_t[]> data;
        size_t size = 0;
        size_t pending = 0;  // algorithms that have still to hash it
    };
    struct Lane {
        THashStream stream;
        uint64_t next = 0;  // the piece it hashes next
        bool busy = false;  // a thread is hashing a piece with it
        explicit Lane(int32_t id) : stream(id) {}
    };

    std::vector<std::unique_ptr<Lane>> lanes;
    unsigned helpers = 0;
    uint64_t fed = 0;  // Feed calls so far; the first is hashed in place

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Piece> ring;  // empty until the helpers start
    uint64_t published = 0;
    bool closing = false;
    std::vector<std::thread> threads;

    // The lane furthest behind that has a piece to hash and no thread on it, or none. Taking
    // the laggard first keeps a thread on the slowest algorithm, which bounds the whole run.
    Lane* NextLane() {
        Lane* best = nullptr;
        for (auto& l : lanes)
            if (!l->busy && l->next < published && (!best || l->next < best->next)) best = l.get();
        return best;
    }

    // Hashes the lane's next piece outside the lock.
    void Run(Lane& lane, std::unique_lock<std::mutex>& lock) {
        lane.busy = true;
        Piece& p = ring[lane.next % kRing];
        lock.unlock();
        lane.stream.Update(p.data.get(), p.size);
        lock.lock();
        lane.busy = false;
        ++lane.next;
        --p.pending;
        changed.notify_all();
    }

    void HelperLoop() {
        std::unique_lock lock(mutex);
        for (;;) {
            Lane* lane = nullptr;
            changed.wait(lock, [&] { return closing || (lane = NextLane()) != nullptr; });
            if (closing) return;
            Run(*lane, lock);
        }
    }

    void Start() {
        ring.resize(kRing);
        for (auto& p : ring)
            p.data = std::make_unique<uint8_t[]>(kFanoutPiece);
        const size_t n = std::min<size_t>(helpers, lanes.size() - 1);
        for (size_t i = 0; i < n; ++i)
            threads.emplace_back([this] { HelperLoop(); });
    }

    void Stop() {
        {
            std::lock_guard lock(mutex);
            closing = true;
        }
        changed.notify_all();
        for (auto& t : threads)
            t.join();
        threads.clear();
    }
};

Fanout::Fanout(const std::vector<int32_t>& Algorithms, unsigned Helpers)
    : shared_(std::make_unique<Shared>()) {
    for (int32_t id : Algorithms)
        shared_->lanes.push_back(std::make_unique<Shared::Lane>(id));
    shared_->helpers = Helpers;
}

Fanout::~Fanout() {
    shared_->Stop();
}

void Fanout::Feed(const uint8_t* Data, size_t Size) {
    Shared& s = *shared_;
    if (Size == 0) return;
    if (s.ring.empty()) {
        if (s.fed++ == 0 || s.helpers == 0 || s.lanes.size() < 2) {
            for (auto& l : s.lanes)
                l->stream.Update(Data, Size);
            return;
        }
        s.Start();
    }
    while (Size > 0) {
        const size_t n = std::min(Size, kFanoutPiece);
        std::unique_lock lock(s.mutex);
        Shared::Piece& p = s.ring[s.published % kRing];
        // Wait for the piece to be free, hashing meanwhile rather than idling.
        while (p.pending > 0) {
            if (Shared::Lane* lane = s.NextLane())
                s.Run(*lane, lock);
            else
                s.changed.wait(lock);
        }
        lock.unlock();
        std::memcpy(p.data.get(), Data, n);
        lock.lock();
        p.size = n;
        p.pending = s.lanes.size();
        ++s.published;
        lock.unlock();
        s.changed.notify_all();
        Data += n;
        Size -= n;
    }
}

std::vector<std::string> Fanout::Finish() {
    Shared& s = *shared_;
    if (!s.ring.empty()) {
        std::unique_lock lock(s.mutex);
        const auto done = [&] {
            return std::all_of(s.lanes.begin(), s.lanes.end(),
                               [&](const auto& l) { return l->next == s.published; });
        };
        while (!done()) {
            if (Shared::Lane* lane = s.NextLane())
                s.Run(*lane, lock);
            else
                s.changed.wait(lock);
        }
        lock.unlock();
        s.Stop();
    }
    std::vector<std::string> digests;
    for (auto& l : s.lanes)
        digests.push_back(l->stream.Final());
    return digests;
}

MultiResult HashPathMulti(const engine::Request& Request, const std::vector<int32_t>& Algorithms,
                          unsigned Helpers) {
    Fanout fanout(Algorithms, Helpers);
    MultiResult r;
    r.error = engine::ReadPath(Request, kFanoutPiece,
                               [&](const uint8_t* data, size_t size) { fanout.Feed(data, size); });
    if (r.ok()) r.digests = fanout.Finish();
    return r;
}

}  // namespace parallel
