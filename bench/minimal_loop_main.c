/* minimal_loop CAPTURE: the plain-C yardstick for kestro-replay. Reads CAPTURE with the
 * replay's capture filter and counts the TCP payloads that MinimalLoopRun decodes.
 * Prints "payloads=N checksum=C"; exit status 2 when the file cannot be read. */
#include <pcap/pcap.h>
#include <stdio.h>

#include "minimal_loop.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: minimal_loop CAPTURE\n");
        return 2;
    }
    char errbuf[PCAP_ERRBUF_SIZE] = {0};
    pcap_t* pcap = pcap_open_offline(argv[1], errbuf);
    if (pcap == NULL) {
        fprintf(stderr, "minimal_loop: %s: %s\n", argv[1], errbuf);
        return 2;
    }
    struct bpf_program program;
    if (pcap_compile(pcap, &program, "tcp port 5121", 1, PCAP_NETMASK_UNKNOWN) != 0 ||
        pcap_setfilter(pcap, &program) != 0) {
        fprintf(stderr, "minimal_loop: filter: %s\n", pcap_geterr(pcap));
        pcap_close(pcap);
        return 2;
    }
    pcap_freecode(&program);

    unsigned long checksum = 0;
    const long payloads = MinimalLoopRun(pcap, &checksum);
    pcap_close(pcap);
    /* The checksum is printed so that none of the decoding work can be optimised away. */
    printf("payloads=%ld checksum=%lu\n", payloads, checksum);
    return 0;
}
