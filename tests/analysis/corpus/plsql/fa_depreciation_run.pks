create or replace package fa_depreciation_run
as
  /*
   * Monthly depreciation of fixed assets for all books of the company.
   * Entry points are run_period (scheduler) and what_if (asset controller).
   */

  type t_asset_ids is table of number index by pls_integer;

  procedure run_period          (p_book_type in varchar2, p_period in varchar2);
  procedure depreciate_book     (p_book_type in varchar2, p_period in varchar2);
  procedure process_retirements (p_book_type in varchar2, p_period in varchar2);
  function  method_rate         (p_method_code in varchar2, p_life_months in pls_integer) return number;
  procedure catch_up            (p_asset_id in number, p_book_type in varchar2);
  procedure what_if             (p_book_type in varchar2, p_rate_factor in number);
  procedure projection          (p_book_type in varchar2, p_periods in pls_integer);
  procedure recalc              (p_asset_id in number);
  procedure recalc              (p_asset_number in varchar2);
  function  assets_rc           (p_book_type in varchar2) return sys_refcursor;
  procedure close_cursors;
  procedure reset_state;
end fa_depreciation_run;
/
