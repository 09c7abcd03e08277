#!/usr/bin/perl
# Reads an .xls workbook with an independent reader (Spreadsheet::ParseExcel)
# and prints its first worksheet: the sheet name, then one line per row,
# cells separated by tabs; tabs, newlines and backslashes inside cells are
# written as \t, \n and \\.
use strict;
use warnings;
use Spreadsheet::ParseExcel;

binmode STDOUT, ':encoding(UTF-8)';
my $book = Spreadsheet::ParseExcel->new->parse(shift) or die "cannot parse\n";
my $sheet = $book->worksheet(0) or die "no worksheet\n";
print $sheet->get_name, "\n";
my ($r0, $r1) = $sheet->row_range;
my ($c0, $c1) = $sheet->col_range;
for my $r ($r0 .. $r1) {
    my @cells;
    for my $c (0 .. $c1) {
        my $cell = $sheet->get_cell($r, $c);
        my $v = $cell ? $cell->value : '';
        $v =~ s/\\/\\\\/g;
        $v =~ s/\t/\\t/g;
        $v =~ s/\n/\\n/g;
        $v =~ s/\r/\\r/g;
        push @cells, $v;
    }
    print join("\t", @cells), "\n";
}
