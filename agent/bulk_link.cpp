#include "agent/bulk_link.h"

#include <algorithm>
#include <array>
#include <asio.hpp>
#include <atomic>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "agent/mqtt_packets.h"
#include "agent/reconnector.h"
#include "platform/broker_socket.h"
#include "platform/broker_uri.h"
#include "platform/log.h"

namespace nolt {

namespace {
using asio::ip::tcp;
using Clock = std::chrono::steady_clock;
// The broker sends this link only acknowledgements; anything longer is not
// MQTT.
constexpr std::size_t kLongestIncoming = 64 * 1024;
// What four bytes of remaining length can say, less the packet's own fields.
constexpr std::size_t kLongestPublication = 268435455 - 16;
// Bytes handed to the socket per write call of a large publication.
constexpr std::size_t kWriteStep = std::size_t{4} << 20;
const std::array<char, 2> kPingRequest{static_cast<char>(mqttwire::PingReq << 4), 0};
}  // namespace

class BulkLink::Impl {
public:
    Impl(BulkSettings settings, Fallback fallback) : settings_(std::move(settings)), fallback_(std::move(fallback)) {
        thread_ = std::thread([this] { context_.run(); });
    }

    ~Impl() { stop(); }

    void follow(const std::string& uri) {
        asio::post(context_, [this, uri] {
            if (uri == target_) return;
            target_ = uri;
            {
                // Another broker may take it.
                std::lock_guard<std::mutex> lock(mutex_);
                refused_ = false;
            }
            // A write under way ends first: cut, it would be given back as
            // possibly delivered.
            if (writing_ && !connecting_) {
                moveAfterWrite_ = true;
                return;
            }
            move();
        });
    }

    bool publish(const std::string& topic, std::string& payload) {
        if (topic.size() + payload.size() > kLongestPublication) return false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_ || refused_) return false;
            if (!up_) {
                if (!wanted_.exchange(true)) asio::post(context_, [this] { connect(); });
                return false;
            }
            if (bytes_ + payload.size() > settings_.queueBytes) return false;
            bytes_ += payload.size();
            entries_.push_back(Entry{nextId(), topic, std::move(payload), {}, false, false, false});
        }
        asio::post(context_, [this] { writeNext(); });
        return true;
    }

    bool flush(std::chrono::milliseconds bound) {
        std::unique_lock<std::mutex> lock(mutex_);
        return settled_.wait_for(lock, bound, [&] { return entries_.empty(); });
    }

    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) return;
            stopping_ = true;
        }
        asio::post(context_, [this] {
            drop("");
            retryTimer_.cancel();
            work_.reset();
        });
        thread_.join();
    }

    bool up() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return up_;
    }

private:
    struct Entry {
        std::uint16_t id;
        std::string topic;
        std::string payload;
        std::string head;  // written beside the payload, kept until the write ends
        bool writing = false;
        bool written = false;
        bool acknowledged = false;  // before its write was seen to end
    };

    std::uint16_t nextId() {
        if (++lastId_ == 0) lastId_ = 1;
        return lastId_;
    }

    // Everything below runs on the link's thread.
    void connect() {
        if (stopped() || connecting_ || socket_.is_open() || target_.empty()) return;
        const auto address = platform::parseBrokerUri(target_);
        if (!address) return;
        connecting_ = true;
        connectedTo_ = target_;
        const auto generation = ++generation_;
        connectTimer_.expires_after(settings_.connectTimeout);
        connectTimer_.async_wait([this, generation](const asio::error_code& error) {
            if (!error && generation == generation_) drop("no answer to the connect");
        });
        resolver_.async_resolve(
            address->host, std::to_string(address->port),
            [this, generation](const asio::error_code& error, const tcp::resolver::results_type& results) {
                if (generation != generation_) return;
                if (error) return drop(error.message());
                asio::async_connect(
                    socket_, results, [this, generation](const asio::error_code& error, const tcp::endpoint&) {
                        if (generation != generation_) return;
                        if (error) return drop(error.message());
                        asio::error_code ignored;
                        socket_.set_option(tcp::no_delay(true), ignored);
                        // The agent's socket tuning may have caught it since it opened.
                        platform::leaveUntuned(static_cast<std::intptr_t>(socket_.native_handle()), true);
                        socket_.native_non_blocking(true, ignored);
                        sendConnect(generation);
                    });
            });
    }

    void sendConnect(std::uint64_t generation) {
        mqttwire::ConnectFields fields{settings_.clientId, settings_.userName, settings_.password,
                                       static_cast<std::uint16_t>(settings_.keepAlive.count())};
        control_ = mqttwire::connectPacket(fields);
        writeControl(generation, asio::buffer(control_));
        readHeader(generation);
    }

    void readHeader(std::uint64_t generation) {
        asio::async_read(socket_, asio::buffer(&first_, 1),
                         [this, generation](const asio::error_code& error, std::size_t) {
                             if (generation != generation_) return;
                             if (error)
                                 return drop(error == asio::error::eof ? "closed by the broker" : error.message());
                             lengthBytes_.clear();
                             readLength(generation);
                         });
    }

    void readLength(std::uint64_t generation) {
        asio::async_read(socket_, asio::buffer(&byte_, 1),
                         [this, generation](const asio::error_code& error, std::size_t) {
                             if (generation != generation_) return;
                             if (error) return drop(error.message());
                             lengthBytes_ += byte_;
                             const auto length = mqttwire::readRemainingLength(lengthBytes_);
                             if (length.malformed) return drop("malformed packet from the broker");
                             if (!length.length) return readLength(generation);
                             if (*length.length > kLongestIncoming) return drop("unexpected packet from the broker");
                             body_.resize(*length.length);
                             asio::async_read(socket_, asio::buffer(body_),
                                              [this, generation](const asio::error_code& error, std::size_t) {
                                                  if (generation != generation_) return;
                                                  if (error) return drop(error.message());
                                                  handle(generation);
                                              });
                         });
    }

    void handle(std::uint64_t generation) {
        lastHeard_ = Clock::now();
        const int type = static_cast<unsigned char>(first_) >> 4;
        if (type == mqttwire::ConnAck) {
            // "Server unavailable" passes; any other refusal (the client id,
            // the account) would come again: the replies all go the main way.
            constexpr char kServerUnavailable = 3;
            if (body_.size() >= 2 && body_[1] == kServerUnavailable) return drop("the broker is unavailable");
            if (body_.size() < 2 || body_[1] != 0) {
                wanted_ = false;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    refused_ = true;
                }
                return drop("refused by the broker (code " + std::to_string(body_.size() < 2 ? -1 : body_[1]) +
                            "); large replies go with the rest");
            }
            connectTimer_.cancel();
            connecting_ = false;
            warned_ = false;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                up_ = true;
            }
            platform::logNotice("Large replies go through a connection of their own to " + target_);
            keepAlive(generation);
        } else if (type == mqttwire::PubAck && body_.size() >= 2) {
            acknowledge(static_cast<std::uint16_t>((static_cast<unsigned char>(body_[0]) << 8) |
                                                   static_cast<unsigned char>(body_[1])));
        }
        writeNext();
        readHeader(generation);
    }

    void acknowledge(std::uint16_t id) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->id != id || !(it->writing || it->written)) continue;
            // The write's own handler still holds the entry: it lets it go.
            if (it->writing) {
                it->acknowledged = true;
            } else {
                settle(it);
            }
            break;
        }
    }

    // Under mutex_.
    void settle(std::list<Entry>::iterator entry) {
        bytes_ -= entry->payload.size();
        entries_.erase(entry);
        if (entries_.empty()) settled_.notify_all();
    }

    void writeNext() {
        if (writing_) return;
        if (moveAfterWrite_) return move();
        if (!socket_.is_open() || connecting_) return;
        std::list<Entry>::iterator next;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            next = std::find_if(entries_.begin(), entries_.end(),
                                [](const Entry& entry) { return !entry.written && !entry.writing; });
            if (next == entries_.end()) return;
            next->writing = true;
        }
        // List elements stay where they are until acknowledged or handed back,
        // and both happen only on this thread.
        next->head = mqttwire::publishHead(next->topic, next->id, next->payload.size(), false);
        writing_ = true;
        const auto generation = generation_;
        const std::array<asio::const_buffer, 2> buffers{asio::buffer(next->head), asio::buffer(next->payload)};
        // The broker taking more of a long write is a sign of life too.
        const auto progress = [this](const asio::error_code& error, std::size_t) -> std::size_t {
            lastHeard_ = Clock::now();
            return error ? 0 : kWriteStep;
        };
        asio::async_write(socket_, buffers, progress,
                          [this, generation, next](const asio::error_code& error, std::size_t) {
                              if (generation != generation_) return;
                              writing_ = false;
                              if (error) return drop(error.message());
                              {
                                  std::lock_guard<std::mutex> lock(mutex_);
                                  next->writing = false;
                                  next->written = true;
                                  if (next->acknowledged) settle(next);
                              }
                              writeNext();
                          });
    }

    // A packet without payload (CONNECT, PINGREQ); publications wait for it.
    void writeControl(std::uint64_t generation, asio::const_buffer packet) {
        writing_ = true;
        asio::async_write(socket_, packet, [this, generation](const asio::error_code& error, std::size_t) {
            if (generation != generation_) return;
            writing_ = false;
            if (error) return drop(error.message());
            writeNext();
        });
    }

    // A packet at least every half keep-alive; a broker silent for two is gone.
    void keepAlive(std::uint64_t generation) {
        const auto interval = std::max<Clock::duration>(settings_.keepAlive / 2, std::chrono::seconds(1));
        keepAliveTimer_.expires_after(interval);
        keepAliveTimer_.async_wait([this, generation](const asio::error_code& error) {
            if (error || generation != generation_) return;
            if (Clock::now() - lastHeard_ > 2 * settings_.keepAlive) return drop("the broker stopped answering");
            if (!writing_) writeControl(generation, asio::buffer(kPingRequest));
            keepAlive(generation);
        });
    }

    // To the broker of the main connection, once nothing is being written.
    void move() {
        moveAfterWrite_ = false;
        if (socket_.is_open() || connecting_) drop("the agent moved to " + target_);
        if (wanted_) connect();
    }

    // Ends the connection or the attempt; what it held goes the main way.
    // An empty reason: the link is stopping.
    void drop(const std::string& why) {
        ++generation_;
        connecting_ = false;
        writing_ = false;
        moveAfterWrite_ = false;
        asio::error_code ignored;
        if (socket_.is_open()) platform::leaveUntuned(static_cast<std::intptr_t>(socket_.native_handle()), false);
        socket_.close(ignored);
        resolver_.cancel();
        connectTimer_.cancel();
        keepAliveTimer_.cancel();
        std::list<Entry> held;
        bool wasUp = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            wasUp = up_;
            up_ = false;
            held.swap(entries_);
            bytes_ = 0;
        }
        // Once per outage, not on every attempt.
        if (!why.empty() && (wasUp || !held.empty() || !warned_)) {
            warned_ = true;
            platform::logWarning(
                std::string(wasUp ? "Connection for large replies lost: " : "No connection for large replies: ") + why +
                (held.empty() ? "" : "; its replies go the main way"));
        }
        for (auto& entry : held) {
            fallback_(entry.topic, std::move(entry.payload), entry.writing || entry.written ? connectedTo_ : "");
        }
        settled_.notify_all();
        if (stopped() || !wanted_) return;
        retryTimer_.expires_after(kReconnectPause);
        retryTimer_.async_wait([this](const asio::error_code& error) {
            if (!error) connect();
        });
    }

    bool stopped() {
        std::lock_guard<std::mutex> lock(mutex_);
        return stopping_;
    }

    const BulkSettings settings_;
    const Fallback fallback_;

    asio::io_context context_;
    asio::executor_work_guard<asio::io_context::executor_type> work_{asio::make_work_guard(context_)};
    tcp::socket socket_{context_};
    tcp::resolver resolver_{context_};
    asio::steady_timer connectTimer_{context_};
    asio::steady_timer keepAliveTimer_{context_};
    asio::steady_timer retryTimer_{context_};

    // The link's thread alone.
    std::string target_;
    std::string connectedTo_;  // the broker of the connection or attempt
    bool connecting_ = false;
    bool writing_ = false;
    bool moveAfterWrite_ = false;
    bool warned_ = false;  // the outage was logged
    std::uint64_t generation_ = 0;
    std::string control_;
    char first_ = 0;
    char byte_ = 0;
    std::string lengthBytes_;
    std::string body_;
    Clock::time_point lastHeard_ = Clock::now();

    mutable std::mutex mutex_;
    std::condition_variable settled_;
    std::list<Entry> entries_;
    std::size_t bytes_ = 0;
    std::uint16_t lastId_ = 0;
    bool up_ = false;
    bool stopping_ = false;
    bool refused_ = false;
    // Set by the first publication; read on the link's thread too.
    std::atomic<bool> wanted_{false};

    std::thread thread_;  // last: runs on the members above
};

BulkLink::BulkLink(BulkSettings settings, Fallback fallback)
    : impl_(std::make_unique<Impl>(std::move(settings), std::move(fallback))) {}

BulkLink::~BulkLink() = default;

bool BulkLink::serves(const std::string& uri) {
    const auto address = platform::parseBrokerUri(uri);
    return address && (address->scheme.empty() || address->scheme == "tcp" || address->scheme == "mqtt");
}

void BulkLink::follow(const std::string& uri) { impl_->follow(uri); }

bool BulkLink::publish(const std::string& topic, std::string& payload) { return impl_->publish(topic, payload); }

bool BulkLink::flush(std::chrono::milliseconds bound) { return impl_->flush(bound); }

void BulkLink::stop() { impl_->stop(); }

bool BulkLink::up() const { return impl_->up(); }

}  // namespace nolt
