#!/usr/bin/env bash
# Checks every `#include "folder/..."` against the include map: the "May call:" line of the
# folder README that governs the including file, the order of the layers, and the named
# exceptions in scripts/layers-exceptions.txt.
#
#   scripts/layers.sh            checks; fails naming file, line and include of each breach
#   scripts/layers.sh --list     prints the includes against the map in the exceptions file's
#                                form, keeping the reason of every entry that is still there
#   scripts/layers.sh --write    rewrites scripts/layers-exceptions.txt from --list
#   scripts/layers.sh --pairs    counts the folder pairs that include each other both ways and
#                                the exceptions by folder pair
#
# The "May call:" line. Every folder README (README.md of a top folder that holds code, and of
# any sub-folder that wants a line of its own, such as platform/backend/) carries exactly one
# line of the form
#
#   May call: platform/, core/, engine/
#
# alone on its line: the folders (each ending in "/", comma-separated) whose headers the files
# under that README may include; `every folder` (app/, tests/, bench/) or `no other folder`
# (platform/) instead of a list. A file is governed by the nearest README above it that has the
# line; it may always include its own folder's headers and the headers that sit directly in a
# folder above its own (platform/types.h for platform/qd/). A top folder's line names only
# folders below it in the order of the layers:
#
#   platform < core < engine < store < textengine < render < fields
#            < properties, commands, media, tools < system < shell
#
# (properties/, commands/, media/ and tools/ are one layer and do not call each other; app/,
# tests/ and bench/ may include anything). A sub-folder's line names folders of its own top
# folder. An include the line does not allow is a failure unless it is a named exception.
#
# The exceptions file: one entry a line, `from-file -> included-header: reason`, under a
# heading `## from/ -> to/` per folder pair; `#` lines are comments. An entry whose include is
# gone fails the check (regenerate the list), and so does one without a reason.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
mode=check
case "${1:-}" in
  "") ;;
  --list) mode=list ;;
  --write) mode=write ;;
  --pairs) mode=pairs ;;
  *) echo "usage: $0 [--list | --write | --pairs]" >&2; exit 2 ;;
esac
cd "$top"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  files=$(git ls-files --cached --others --exclude-standard)
else
  files=$(find . -path ./build -prune -o -type f -print | sed 's|^\./||')
fi
printf '%s\n' "$files" | exec perl -e '
use strict;
use warnings;
my ($mode, $exfile) = @ARGV;
my @order = ([qw(platform)], [qw(core)], [qw(engine)], [qw(store)], [qw(textengine)], [qw(render)],
             [qw(fields)], [qw(properties commands media tools)], [qw(system)], [qw(shell)]);
my %rank;
for my $i (0 .. $#order) { $rank{$_} = $i for @{$order[$i]}; }
my (@code, %readme);
while (my $f = <STDIN>) {
  chomp $f;
  next unless -f $f;
  if ($f =~ m{^(.+/)README\.md$}) { $readme{$1} = $f; }
  elsif ($f =~ m{/} && $f =~ m{\.(h|hpp|c|cpp|inc)$}) { push @code, $f; }
}
my @fail;
sub fail { push @fail, join("", @_); }
sub topof { my ($p) = @_; $p =~ m{^([^/]+)/} ? $1 : ""; }

# The README lines.
my %line;  # folder -> list of allowed folders, or "*" (every folder)
for my $dir (sort keys %readme) {
  my $f = $readme{$dir};
  open my $h, "<", $f or die "$f: $!";
  my ($n, $at) = (0, 0);
  my @lines;
  while (my $l = <$h>) {
    $n++;
    next unless $l =~ /^May call\b/i;
    push @lines, [$n, $l];
  }
  close $h;
  my $top = topof($dir);
  my $needs = $dir =~ tr{/}{} == 1 && grep { m{^\Q$dir\E} } @code;
  if (!@lines) { fail("$f: no \"May call:\" line") if $needs; next; }
  if (@lines > 1) { fail("$f:$lines[1][0]: a second \"May call\" line (one line a README)"); }
  ($n, my $l) = @{$lines[0]};
  chomp $l;
  if ($l eq "May call: every folder") { $line{$dir} = "*"; next; }
  if ($l eq "May call: no other folder") { $line{$dir} = []; next; }
  unless ($l =~ m{^May call: ([a-z0-9_]+(?:/[a-z0-9_]+)*/(?:, [a-z0-9_]+(?:/[a-z0-9_]+)*/)*)$}) {
    fail("$f:$n: not of the form \"May call: a/, b/\" (or \"every folder\", \"no other folder\"): $l");
    next;
  }
  my @to = split /, /, $1;
  for my $t (@to) {
    my $tt = topof($t);
    fail("$f:$n: names $t, which is no folder") unless -d $t || (exists $rank{$tt} && $t eq "$tt/");
    if ($dir =~ tr{/}{} > 1) {
      fail("$f:$n: a sub-folder of $top/ names $t, outside $top/") unless $tt eq $top;
    } elsif (exists $rank{$top} && exists $rank{$tt} && $rank{$tt} >= $rank{$top} && $tt ne $top) {
      fail("$f:$n: names $t, which is not below $top/ in the order of the layers (name the includes as exceptions instead)");
    }
  }
  $line{$dir} = \@to;
}

# The governing README of a file: the nearest folder above it with a line.
sub governor {
  my ($f) = @_;
  my $d = $f;
  while ($d =~ s{[^/]+/?$}{} && $d ne "") { return $d if exists $line{$d}; }
  return undef;
}

# Every include against the map.
my @against;  # [file, line, header]
for my $f (sort @code) {
  my $g = governor($f);
  next unless defined $g;
  my $allow = $line{$g};
  open my $h, "<", $f or die "$f: $!";
  my $n = 0;
  while (my $l = <$h>) {
    $n++;
    next unless $l =~ /^\s*#\s*include\s*"([^"]+)"/;
    my $inc = $1;
    next unless $inc =~ m{/} && -d topof($inc);
    next if $allow eq "*";
    next if index($inc, $g) == 0;
    my $incdir = $inc; $incdir =~ s{[^/]+$}{};
    next if index($g, $incdir) == 0;
    next if grep { index($inc, $_) == 0 } @$allow;
    push @against, [$f, $n, $inc, $g];
  }
  close $h;
}

# The exceptions file.
my (%reason, %headerreason, %anyreason);
my %listed;
if (open my $h, "<", $exfile) {
  my $n = 0;
  while (my $l = <$h>) {
    $n++;
    chomp $l;
    next if $l =~ /^\s*(#|$)/;
    unless ($l =~ /^(\S+) -> (\S+): ?(.*)$/) { fail("$exfile:$n: not of the form \"from-file -> header: reason\": $l"); next; }
    my ($from, $inc, $why) = ($1, $2, $3);
    $why =~ s/\s+$//;
    $listed{"$from $inc"} = $n;
    $reason{"$from $inc"} = $why;
    if ($why ne "") {
      $headerreason{topof($from) . " $inc"} //= $why;
      $anyreason{$inc} //= $why;
    }
  }
  close $h;
}
my %present;
$present{"$_->[0] $_->[2]"} = 1 for @against;

sub reasonfor {
  my ($from, $inc) = @_;
  return $reason{"$from $inc"} if defined $reason{"$from $inc"} && $reason{"$from $inc"} ne "";
  return $headerreason{topof($from) . " $inc"} // $anyreason{$inc} // "";
}

if ($mode eq "list" || $mode eq "write") {
  my %group;
  my %seen;
  for my $a (@against) {
    my ($f, $n, $inc) = @$a;
    next if $seen{"$f $inc"}++;
    push @{$group{topof($f) . "/ -> " . topof($inc) . "/"}}, "$f -> $inc: " . reasonfor($f, $inc);
  }
  my $out = "";
  $out .= "# Named exceptions to the include map: includes that the including folder\x27s README line\n";
  $out .= "# (\"May call:\") does not allow, each with its reason. One entry a line,\n";
  $out .= "# `from-file -> included-header: reason`, grouped by folder pair. scripts/layers.sh checks\n";
  $out .= "# them; `scripts/layers.sh --write` regenerates this file from the tree, keeping the reason\n";
  $out .= "# of every entry whose include is still there (a new entry takes the reason its header has\n";
  $out .= "# elsewhere, in the same folder first; a header new to the list gets none: write one).\n";
  for my $g (sort keys %group) {
    $out .= "\n## $g\n";
    $out .= "$_\n" for sort { lc($a) cmp lc($b) } @{$group{$g}};
  }
  if ($mode eq "list") { print $out; exit 0; }
  open my $w, ">", $exfile or die "$exfile: $!";
  print $w $out;
  close $w;
  my $empty = () = $out =~ /: $/mg;
  print STDERR "layers: wrote $exfile", ($empty ? " ($empty entries need a reason)" : ""), "\n";
  exit 0;
}

if ($mode eq "pairs") {
  my (%pair, %exc);
  for my $f (@code) {
    my $from = topof($f);
    next unless exists $rank{$from};
    open my $h, "<", $f or die;
    while (my $l = <$h>) {
      next unless $l =~ /^\s*#\s*include\s*"([^"\/]+)\//;
      my $to = $1;
      $pair{"$from $to"} = 1 if $to ne $from && exists $rank{$to};
    }
    close $h;
  }
  my @both = sort grep { my ($a, $b) = split; $a lt $b && $pair{"$b $a"} } keys %pair;
  my @folders = grep { -d $_ && $_ ne "platform" } sort keys %rank;
  my $all = @folders * (@folders - 1) / 2;
  printf "%d of the %d pairs of the %d folders above platform/ include each other both ways:\n", scalar(@both), $all, scalar(@folders);
  print "  $_\n" for map { s/ / <-> /r } @both;
  my %seen;
  for my $a (@against) { my ($f, $n, $inc) = @$a; next if $seen{"$f $inc"}++; $exc{topof($f) . "/ -> " . topof($inc) . "/"}++; }
  my $total = 0; $total += $_ for values %exc;
  print "$total named exceptions by folder pair:\n";
  printf "  %-28s %d\n", $_, $exc{$_} for sort keys %exc;
  exit 0;
}

for my $a (@against) {
  my ($f, $n, $inc, $g) = @$a;
  next if $listed{"$f $inc"};
  my $l = $line{$g};
  fail("$f:$n: #include \"$inc\" is not allowed by ${g}README.md (May call: ",
       (@$l ? join(", ", @$l) : "no other folder"), ") and is no named exception in scripts/layers-exceptions.txt");
}
for my $k (sort { $listed{$a} <=> $listed{$b} } keys %listed) {
  my ($from, $inc) = split / /, $k;
  if (!$present{$k}) {
    fail("$exfile:$listed{$k}: $from -> $inc: no such include against the map any more (scripts/layers.sh --write)");
  } elsif ($reason{$k} eq "") {
    fail("$exfile:$listed{$k}: $from -> $inc: the exception has no reason");
  }
}
if (@fail) {
  my $shown = 0;
  for (@fail) { last if ++$shown > 60; print STDERR "layers: $_\n"; }
  print STDERR "layers: ... and ", @fail - 60, " more\n" if @fail > 60;
  printf STDERR "layers: %d breach%s of the include map\n", scalar(@fail), (@fail == 1 ? "" : "es");
  exit 1;
}
printf "layers: %d files checked, %d named exceptions\n", scalar(@code), scalar(keys %listed);
' "$mode" "$top/scripts/layers-exceptions.txt"
