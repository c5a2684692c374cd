#!/usr/bin/env python3
"""Counts the wineserver requests of each program in a server trace.

usage: server_requests.py TRACE PROGRAM...

TRACE is the standard error of `wineserver -f -d1`. Every request a program's
threads made, from its first thread to its exit, is counted; a program
started more than once counts by its last start. Prints, per program, the
total and the most frequent requests. Under Wine 8 the most frequent come in
threes: a window-station query, its flags and a registry key query, made
over and over while windows are created and painted.
"""
import collections
import re
import sys

REQUEST = re.compile(r'^([0-9a-f]{4}): (\w+)\((.*)$')
REPLY = re.compile(r'^([0-9a-f]{4}): (\w+)\(\) = \w+ \{ (.*) \}$')
EXE_KEY = re.compile(r'name=L"[^"]*\\\\([^"\\]+\.exe)"', re.IGNORECASE)


def field(text, name):
    match = re.search(r'\b' + name + r'=([0-9a-f]+)', text)
    return match.group(1) if match else None


def main(trace, programs):
    pid_of_thread = {}
    exe_of_pid = {}  # from the first program name a process looks up: its own
    counts = {}
    with open(trace, errors='replace') as lines:
        for line in lines:
            line = line.rstrip('\n')
            reply = REPLY.match(line)
            if reply:
                thread, name, values = reply.groups()
                if name == 'init_first_thread':
                    pid_of_thread[thread] = field(values, 'pid')
                elif name == 'new_thread' and thread in pid_of_thread:
                    pid_of_thread[field(values, 'tid')] = pid_of_thread[thread]
                continue
            request = REQUEST.match(line)
            if not request or request.group(3).startswith(')'):
                continue  # not a request, or a reply without values
            thread, name, arguments = request.groups()
            pid = pid_of_thread.get(thread)
            if pid is None:
                continue
            exe = EXE_KEY.search(arguments) if name == 'get_key_value' else None
            if exe and pid not in exe_of_pid:
                exe_of_pid[pid] = exe.group(1)
            counts.setdefault(pid, collections.Counter())[name] += 1
    last_start = {}
    for pid in counts:
        if pid in exe_of_pid:
            last_start[exe_of_pid[pid].lower()] = pid
    for program in programs:
        pid = last_start.get(program.lower())
        if pid is None:
            print(f'{program}: not found in the trace')
            continue
        c = counts[pid]
        top = ', '.join(f'{n} {k}' for k, n in c.most_common(6))
        print(f'{program}: {sum(c.values())} requests, {c["get_process_winstation"]} window-station queries; {top}')


if __name__ == '__main__':
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
