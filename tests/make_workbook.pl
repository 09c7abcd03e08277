#!/usr/bin/perl
# Writes an Excel 97-2003 workbook for the tests with an independent writer.
# Usage: make_workbook.pl OUTPUT.xls < description
# Description (UTF-8): "SHEET name" starts a worksheet; every other line is
# one row of tab-separated cells. A cell "#n:123.5" is written as a number,
# "#d:2026-07-05" as a formatted date, "#empty" or nothing not at all (as
# Excel leaves an empty cell); anything else as a string ("\n" in a cell
# stands for a line break).
use strict;
use warnings;
use utf8;
use Encode qw(decode);
use Spreadsheet::WriteExcel;

my $out = shift or die "usage: make_workbook.pl OUTPUT.xls\n";
my $book = Spreadsheet::WriteExcel->new($out) or die "cannot write $out\n";
my $date = $book->add_format(num_format => 'yyyy-mm-dd');
my ($sheet, $row);
while (my $line = <STDIN>) {
    $line = decode('UTF-8', $line);
    chomp $line;
    if ($line =~ /^SHEET (.*)$/) {
        $sheet = $book->add_worksheet($1);
        $row = 0;
        next;
    }
    my @cells = split /\t/, $line, -1;
    for my $col (0 .. $#cells) {
        my $cell = $cells[$col];
        if ($cell =~ /^#n:(.*)$/) {
            $sheet->write_number($row, $col, $1);
        } elsif ($cell =~ /^#d:(\d+)-(\d+)-(\d+)$/) {
            $sheet->write_date_time($row, $col, sprintf('%04d-%02d-%02dT', $1, $2, $3), $date);
        } elsif ($cell ne '#empty' && $cell ne '') {
            $cell =~ s/\\n/\n/g;
            $sheet->write_string($row, $col, $cell);
        }
    }
    $row++;
}
$book->close() or die "cannot close $out\n";
