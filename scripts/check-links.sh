#!/usr/bin/env bash
# Every relative link of the project's Markdown files resolves: the file or folder it names
# exists, and its #anchor is a heading of the Markdown file it points to, named as GitHub names
# headings (lower case, punctuation dropped, spaces to hyphens, "-1", "-2" for repeats), or an
# explicit <a name>/id. Links with a scheme (https:, mailto:) are left alone, as is everything
# in code. Names each broken link with its file and line; exits non-zero when there is one.
#   check-links.sh [FILE.md...]     default: every Markdown file of the repository
set -euo pipefail
if [ $# -eq 0 ]; then
  cd "$(dirname "$0")/.."
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.md' | sort -u)
  # No list (no git, or not a clone) must not pass as "all resolve".
  [ ${#files[@]} -gt 0 ] || { echo "check-links: git lists no Markdown files here" >&2; exit 1; }
else
  files=("$@")
fi
exec perl -CSD -Mutf8 -e '
use strict;
use warnings;
use File::Basename qw(dirname);
use File::Spec;

my %anchors_of;  # Markdown file => { anchor => 1 }
my %lines_of;    # Markdown file => [ [line number, text outside code], ... ]

sub read_markdown {
  my ($file) = @_;
  return if exists $lines_of{$file};
  my (@lines, %anchors, %seen);
  open(my $in, "<", $file) or do { $lines_of{$file} = []; $anchors_of{$file} = {}; return };
  my @raw = <$in>;
  close $in;
  my $fence = "";
  for my $i (0 .. $#raw) {
    my $line = $raw[$i];
    chomp $line;
    if ($fence eq "" && $line =~ /^\s{0,3}(`{3,}|~{3,})/) { $fence = substr($1, 0, 1) x length($1); next }
    if ($fence ne "") { $fence = "" if $line =~ /^\s{0,3}\Q$fence\E\s*$/; next }
    (my $text = $line) =~ s/(`+).*?\1//g;  # code spans
    push @lines, [$i + 1, $text];
    $anchors{$1} = 1 while $text =~ /<a\s[^>]*(?:name|id)="([^"]+)"/g;
    my $heading;
    if ($line =~ /^\s{0,3}#{1,6}\s+(.*?)(?:\s+#+)?\s*$/) {
      $heading = $1;
    } elsif ($i < $#raw && $line =~ /\S/ && $raw[$i + 1] =~ /^\s{0,3}(?:=+|-+)\s*$/ && $line !~ /^\s*[-*+>|]/) {
      $heading = $line;  # a Setext heading, underlined
    }
    next unless defined $heading;
    my $slug = slug($heading);
    my $anchor = $seen{$slug} ? "$slug-$seen{$slug}" : $slug;
    $seen{$slug}++;
    $anchors{$anchor} = 1;
  }
  $lines_of{$file} = \@lines;
  $anchors_of{$file} = \%anchors;
}

# The anchor GitHub gives a heading: its text as shown, lower case, with letters, digits,
# hyphens, underscores and spaces kept, spaces made hyphens.
sub slug {
  my ($text) = @_;
  $text =~ s/!?\[([^\]]*)\]\([^)]*\)/$1/g;  # links and pictures: their text
  $text =~ s/<[^>]+>//g;                    # HTML tags
  $text =~ s/`//g;
  $text = lc $text;
  $text =~ s/[^\p{L}\p{N}\p{M}\p{Pc} -]//g;
  $text =~ s/^\s+|\s+$//g;
  $text =~ s/ /-/g;
  return $text;
}

sub unescape { my ($s) = @_; $s =~ s/%([0-9A-Fa-f]{2})/chr(hex($1))/ge; return $s }

my ($links, $broken) = (0, 0);
for my $file (@ARGV) {
  read_markdown($file);
  for my $entry (@{ $lines_of{$file} }) {
    my ($number, $text) = @$entry;
    my @targets;
    push @targets, $1 while $text =~ /\]\(\s*<?([^)\s>]*)>?(?:\s+"[^"]*")?\s*\)/g;
    push @targets, $1 if $text =~ /^\s{0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s|$)/;
    push @targets, $1 while $text =~ /\b(?:href|src)="([^"]*)"/g;
    for my $target (@targets) {
      next if $target =~ m{^(?:[A-Za-z][A-Za-z0-9+.-]*:|//)};
      $links++;
      my ($path, $anchor) = $target =~ /^([^#]*)(?:#(.*))?$/;
      my $goal = $file;
      if ($path ne "") {
        $path = unescape($path);
        $goal = $path =~ m{^/} ? substr($path, 1) : File::Spec->catfile(dirname($file), $path);
        $goal = File::Spec->canonpath($goal);
        unless (-e $goal) {
          print "$file:$number: $target: no such file or folder\n";
          $broken++;
          next;
        }
      }
      next unless defined $anchor && $anchor ne "" && $goal =~ /\.md$/i;
      read_markdown($goal);
      next if $anchors_of{$goal}{unescape($anchor)} || $anchors_of{$goal}{lc unescape($anchor)};
      print "$file:$number: $target: no heading with the anchor #$anchor in $goal\n";
      $broken++;
    }
  }
}
printf "links: %d relative links in %d Markdown files, %s\n", $links, scalar @ARGV,
  $broken ? "$broken BROKEN" : "all resolve";
exit($broken ? 1 : 0);
' -- "${files[@]}"
