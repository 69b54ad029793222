/* A plain-C capture loop doing the decoder's work by hand. */
#ifndef KESTRO_BENCH_MINIMAL_LOOP_H
#define KESTRO_BENCH_MINIMAL_LOOP_H

#include <pcap/pcap.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Reads every frame of `pcap`; returns the number of TCP payloads found. */
long MinimalLoopRun(pcap_t* pcap, unsigned long* checksum);

#ifdef __cplusplus
}
#endif

#endif
