#!/usr/bin/perl
# GitHub serves repositories over git's smart HTTP. nginx has no CGI, so this
# small bridge, behind nginx on 127.0.0.1, hands each request to
# `git http-backend` and its answer back, one connection per request.
# Usage: git-http.pl PORT PROJECT_ROOT
use strict;
use warnings;
use IO::Socket::INET;
use IPC::Open2;
use POSIX ':sys_wait_h';

my ($port, $root) = @ARGV;
my $server = IO::Socket::INET->new(LocalAddr => "127.0.0.1:$port", Listen => 64, ReuseAddr => 1)
    or die "git-http: $port: $!\n";
# Reaped by a handler, not ignored: git waits for its own children.
$SIG{CHLD} = sub { 1 while waitpid(-1, WNOHANG) > 0 };
# Not closed: open2 would hand the freed descriptor 0 to a pipe and mix them up.
open STDIN, '<', '/dev/null';

while (1) {
    my $client = $server->accept or next;  # a reaped child interrupts accept
    my $pid = fork;
    next unless defined $pid;
    if ($pid) { close $client; next; }
    close $server;
    $SIG{CHLD} = 'DEFAULT';
    binmode $client;
    my $request = <$client> // exit 0;
    my ($method, $target) = $request =~ m{^(\S+) (\S+) HTTP/} or exit 0;
    my %header;
    while (my $line = <$client>) {
        $line =~ s/\r?\n\z//;
        last if $line eq '';
        $header{lc $1} = $2 if $line =~ /^([^:]+):\s*(.*)$/;
    }
    my $body = '';
    read($client, $body, $header{'content-length'}) if $header{'content-length'};
    my ($path, $query) = split /\?/, $target, 2;
    local %ENV = (
        %ENV,
        GATEWAY_INTERFACE => 'CGI/1.1', REQUEST_METHOD => $method, PATH_INFO => $path,
        QUERY_STRING => $query // '', CONTENT_TYPE => $header{'content-type'} // '',
        CONTENT_LENGTH => length $body, REMOTE_ADDR => '127.0.0.1',
        GIT_PROJECT_ROOT => $root, GIT_HTTP_EXPORT_ALL => '1',
        # The site belongs to whoever checked the project out, not to the sim's root.
        GIT_CONFIG_COUNT => '1', GIT_CONFIG_KEY_0 => 'safe.directory', GIT_CONFIG_VALUE_0 => '*',
    );
    $ENV{HTTP_CONTENT_ENCODING} = $header{'content-encoding'} if $header{'content-encoding'};
    $ENV{GIT_PROTOCOL} = $header{'git-protocol'} if $header{'git-protocol'};
    my $backend = open2(my $out, my $in, 'git', 'http-backend');
    binmode $in; binmode $out;
    print $in $body;
    close $in;
    my $status = '200 OK';
    my @headers;
    while (my $line = <$out>) {
        $line =~ s/\r?\n\z//;
        last if $line eq '';
        if ($line =~ /^Status:\s*(.*)$/i) { $status = $1 } else { push @headers, $line }
    }
    local $/;
    my $rest = <$out> // '';
    waitpid $backend, 0;
    print $client "HTTP/1.0 $status\r\n", map({ "$_\r\n" } @headers), "Content-Length: ", length $rest, "\r\n\r\n", $rest;
    close $client;
    exit 0;
}
