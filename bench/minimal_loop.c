/* The least a capture loop can do to find the game packet in each frame: the yardstick that
 * bench_decode holds the decoder against. Same work per frame: read the frame, test the
 * Ethernet type, the IP protocol, the IP header length, the TCP data offset and the IP total
 * length, step over 0x00B1 packets, look the id up and copy out its text (or test the ticket
 * patterns). */
#include "minimal_loop.h"

#include <string.h>

enum { kWindow = 1024 };

static unsigned char At(const unsigned char* packet, size_t available, size_t position) {
    return position < available ? packet[position] : 0;
}

static size_t CopyText(const unsigned char* packet, size_t available, size_t position, char* out) {
    if (available > kWindow) {
        available = kWindow;
    }
    if (position >= available) {
        return 0;
    }
    const unsigned char* start = packet + position;
    const unsigned char* nul = memchr(start, 0, available - position);
    size_t length = nul ? (size_t)(nul - start) : available - position;
    memcpy(out, start, length);
    return length;
}

static int Matches(const unsigned char* packet, size_t available, size_t position,
                   const char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (At(packet, available, position + i) != (unsigned char)bytes[i]) {
            return 0;
        }
    }
    return 1;
}

long MinimalLoopRun(pcap_t* pcap, unsigned long* checksum) {
    struct pcap_pkthdr* header;
    const u_char* frame;
    char text[kWindow];
    long payloads = 0;
    unsigned long sum = 0;
    text[0] = 0;
    while (pcap_next_ex(pcap, &header, &frame) == 1) {
        const size_t caplen = header->caplen;
        if (caplen < 34 || frame[12] != 0x08 || frame[13] != 0x00 || frame[23] != 6) {
            continue;
        }
        const size_t ipLength = (size_t)(frame[14] & 0x0F) * 4;
        if (ipLength < 20 || 14 + ipLength + 20 > caplen) {
            continue;
        }
        const unsigned char* tcp = frame + 14 + ipLength;
        const size_t tcpLength = (size_t)(tcp[12] >> 4) * 4;
        const size_t total = (size_t)frame[16] << 8 | frame[17];
        if (tcpLength < 20 || 14 + ipLength + tcpLength > caplen || total <= ipLength + tcpLength) {
            continue;
        }
        size_t length = total - ipLength - tcpLength;
        const size_t start = 14 + ipLength + tcpLength;
        if (length > caplen - start) {
            length = caplen - start;
        }
        if (length == 0) {
            continue;
        }
        const unsigned char* data = frame + start;
        ++payloads;

        size_t p = 0;
        unsigned id;
        for (;;) {
            id = p + 1 < length ? (unsigned)(data[p] | data[p + 1] << 8) : 0;
            if (id != 0x00B1) {
                break;
            }
            p += 8;
        }
        const unsigned char* packet = data + p;
        const size_t available = length - (p < length ? p : length);
        switch (id) {
            case 0x0071:
                sum += CopyText(packet, available, 6, text);
                break;
            case 0x0091:
            case 0x0092:
                sum += CopyText(packet, available, 2, text);
                break;
            case 0x01C3:
                sum += CopyText(packet, available, 16, text);
                break;
            case 0x01F3:
                sum += CopyText(packet, available, 26, text);
                break;
            case 0x835B:
                if (Matches(packet, available, 23, "\0\0", 2) &&
                    Matches(packet, available, 26, "\x94\xD4\x82\xCC", 4)) {
                    sum += At(packet, available, 25);
                } else if (Matches(packet, available, 68, "FF0000", 6)) {
                    sum += At(packet, available, 74);
                } else if (Matches(packet, available, 26, "0000FF", 6)) {
                    sum += At(packet, available, 32) + At(packet, available, 72);
                } else if (Matches(packet, available, 61, "0000FF", 6)) {
                    sum += At(packet, available, 67) + At(packet, available, 107);
                }
                break;
            default:
                break;
        }
        sum += (unsigned char)text[0];
    }
    *checksum += sum;
    return payloads;
}
